#pragma once

#include <cstdint>
#include <string>

namespace brimly {

// One changed path as the directory watcher reports it, with flags that keep the values of the platform
// event-stream flags the rest of the engine was written against (only the three lowest bits ask for action).
struct WatchEvent {
    std::string path;
    std::uint32_t flags = 0;

    static constexpr std::uint32_t mustScanSubDirs = 0x1;
    static constexpr std::uint32_t userDropped = 0x2;
    static constexpr std::uint32_t kernelDropped = 0x4;
    static constexpr std::uint32_t rootChanged = 0x20;
    static constexpr std::uint32_t unmount = 0x80;
    static constexpr std::uint32_t itemCreated = 0x100;
    static constexpr std::uint32_t itemRemoved = 0x200;
    static constexpr std::uint32_t itemInodeMetaMod = 0x400;
    static constexpr std::uint32_t itemRenamed = 0x800;
    static constexpr std::uint32_t itemModified = 0x1000;
    static constexpr std::uint32_t itemIsFile = 0x10000;
    static constexpr std::uint32_t itemIsDir = 0x20000;

    bool operator==(const WatchEvent&) const = default;
};

}  // namespace brimly
