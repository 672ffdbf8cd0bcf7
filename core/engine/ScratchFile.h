#pragma once

#include <cstdint>
#include <string>

#include "core/base/Date.h"
#include "core/base/Url.h"

namespace brimly {

// A candidate file found in a scratchpad: root / `slug` / `sessionID` / "scratchpad" / name.
struct ScratchFile {
    Url url;
    std::string slug;
    std::string sessionID;
    std::int64_t size = 0;
    Date created = 0;
    Date modified = distantPast;

    bool operator==(const ScratchFile&) const = default;
};

}  // namespace brimly
