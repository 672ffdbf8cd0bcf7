#pragma once

#include <cstdint>

namespace brimly {

// Which file a path named when it was read (device and inode): a file renamed over the path has another.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    bool operator==(const FileIdentity&) const = default;
};

}  // namespace brimly
