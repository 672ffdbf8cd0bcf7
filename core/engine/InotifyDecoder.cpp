#include "core/engine/InotifyDecoder.h"

#include <sys/inotify.h>

#include <cstring>

#include "core/engine/WatchEvent.h"

namespace brimly {

bool InotifyChange::isDirectory() const { return (mask & IN_ISDIR) != 0; }

bool InotifyChange::isNewDirectory() const {
    return kind == Kind::entry && isDirectory() && (mask & (IN_CREATE | IN_MOVED_TO)) != 0;
}

bool InotifyChange::isGoneDirectory() const {
    return kind == Kind::entry && isDirectory() && (mask & (IN_DELETE | IN_MOVED_FROM)) != 0;
}

namespace InotifyDecoder {

std::vector<InotifyRecord> split(std::span<const std::byte> buffer) {
    std::vector<InotifyRecord> records;
    constexpr std::size_t header = sizeof(struct inotify_event);
    std::size_t offset = 0;
    while (buffer.size() - offset >= header) {
        struct inotify_event event {};
        std::memcpy(&event, buffer.data() + offset, header);
        if (event.len > buffer.size() - offset - header) break;
        const char* name = reinterpret_cast<const char*>(buffer.data() + offset + header);
        InotifyRecord record{event.wd, event.mask, event.cookie, std::string(name, strnlen(name, event.len))};
        records.push_back(std::move(record));
        offset += header + event.len;
    }
    return records;
}

std::uint32_t flags(std::uint32_t mask) {
    std::uint32_t result = 0;
    if ((mask & IN_CREATE) != 0) result |= WatchEvent::itemCreated;
    if ((mask & IN_DELETE) != 0) result |= WatchEvent::itemRemoved;
    if ((mask & (IN_MODIFY | IN_CLOSE_WRITE)) != 0) result |= WatchEvent::itemModified;
    if ((mask & (IN_MOVED_FROM | IN_MOVED_TO)) != 0) result |= WatchEvent::itemRenamed;
    if ((mask & IN_ATTRIB) != 0) result |= WatchEvent::itemInodeMetaMod;
    if ((mask & (IN_DELETE_SELF | IN_MOVE_SELF)) != 0) result |= WatchEvent::itemRemoved;
    if ((mask & IN_UNMOUNT) != 0) result |= WatchEvent::unmount | WatchEvent::mustScanSubDirs;
    if ((mask & IN_Q_OVERFLOW) != 0) result |= WatchEvent::kernelDropped;
    if (result != 0 && (mask & IN_Q_OVERFLOW) == 0) {
        result |= (mask & IN_ISDIR) != 0 ? WatchEvent::itemIsDir : WatchEvent::itemIsFile;
    }
    return result;
}

InotifyChange describe(const InotifyRecord& record, const std::optional<std::string>& folder) {
    InotifyChange change;
    change.wd = record.wd;
    change.mask = record.mask;
    change.cookie = record.cookie;
    change.flags = flags(record.mask);
    if ((record.mask & IN_Q_OVERFLOW) != 0) {
        change.kind = InotifyChange::Kind::overflow;
    } else if (!folder) {
        change.kind = InotifyChange::Kind::unknown;
    } else if ((record.mask & IN_IGNORED) != 0) {
        change.kind = InotifyChange::Kind::forgotten;
        change.path = *folder;
    } else if ((record.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) != 0 || record.name.empty()) {
        change.kind = InotifyChange::Kind::self;
        change.path = *folder;
        change.flags = (change.flags & ~WatchEvent::itemIsFile) | WatchEvent::itemIsDir;
    } else {
        change.kind = InotifyChange::Kind::entry;
        change.path = *folder == "/" ? "/" + record.name : *folder + "/" + record.name;
    }
    return change;
}

std::vector<InotifyChange> decode(std::span<const std::byte> buffer,
                                  const std::function<std::optional<std::string>(int wd)>& folderOf) {
    std::vector<InotifyChange> changes;
    for (const InotifyRecord& record : split(buffer)) {
        changes.push_back(
            describe(record, (record.mask & IN_Q_OVERFLOW) != 0 ? std::nullopt : folderOf(record.wd)));
    }
    return changes;
}

std::vector<std::byte> encode(const InotifyRecord& record) {
    std::size_t padded = record.name.empty() ? 0 : (record.name.size() / 16 + 1) * 16;
    struct inotify_event event {};
    event.wd = record.wd;
    event.mask = record.mask;
    event.cookie = record.cookie;
    event.len = static_cast<std::uint32_t>(padded);
    std::vector<std::byte> bytes(sizeof event + padded, std::byte{0});
    std::memcpy(bytes.data(), &event, sizeof event);
    std::memcpy(bytes.data() + sizeof event, record.name.data(), record.name.size());
    return bytes;
}

}  // namespace InotifyDecoder
}  // namespace brimly
