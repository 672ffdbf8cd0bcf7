#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace brimly {

// One `struct inotify_event` taken out of a read buffer, its name without the NUL padding.
struct InotifyRecord {
    int wd = -1;
    std::uint32_t mask = 0;
    std::uint32_t cookie = 0;
    std::string name;

    bool operator==(const InotifyRecord&) const = default;
};

// What one record means to the watcher, with the watch's folder already joined to the entry's name. Pure:
// the watcher's table comes in as `folderOf`, so that hand-made buffers can test every case.
struct InotifyChange {
    enum class Kind {
        // Something happened to `path`, an entry of a watched folder.
        entry,
        // The watched folder itself was deleted, moved away or unmounted.
        self,
        // The kernel dropped the watch (after a deletion, an unmount or our own removal).
        forgotten,
        // The kernel's queue overflowed: events were lost.
        overflow,
        // A watch the table no longer knows (a late event after its removal).
        unknown,
    };
    Kind kind = Kind::unknown;
    int wd = -1;
    std::string path;
    std::uint32_t flags = 0;
    std::uint32_t mask = 0;
    std::uint32_t cookie = 0;

    bool isDirectory() const;
    // A folder that came into the tree (made here or moved in) and needs a watch of its own.
    bool isNewDirectory() const;
    // A folder that left the tree (deleted or moved away); its watches are stale.
    bool isGoneDirectory() const;
    bool operator==(const InotifyChange&) const = default;
};

namespace InotifyDecoder {

// The records of one read; a truncated record at the end (which the kernel never writes) is dropped.
std::vector<InotifyRecord> split(std::span<const std::byte> buffer);
// The watcher's flags for an inotify mask.
std::uint32_t flags(std::uint32_t mask);
// One record read against the folder its watch stands for (nothing when the watch is unknown).
InotifyChange describe(const InotifyRecord& record, const std::optional<std::string>& folder);
std::vector<InotifyChange> decode(std::span<const std::byte> buffer,
                                  const std::function<std::optional<std::string>(int wd)>& folderOf);

// Builds the bytes of one record as the kernel lays it out (name NUL-padded to a multiple of 16); tests
// and benchmarks make buffers with it.
std::vector<std::byte> encode(const InotifyRecord& record);

}  // namespace InotifyDecoder
}  // namespace brimly
