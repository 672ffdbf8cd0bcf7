#pragma once

#include <optional>
#include <string>

namespace brimly {

// What one of the drawer's tool tips says, and in which of the views' type styles.
struct ShelfTip {
    std::string title;
    std::optional<std::string> detail;
    std::string font;

    bool operator==(const ShelfTip&) const = default;
};

}  // namespace brimly
