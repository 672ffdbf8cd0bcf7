// The least a watcher of a busy folder can do, as the floor for bench/idle-busy-tmp.sh: one inotify watch
// asking for what brimly asks of the temporary folder, and the same hold, a second, while records nobody
// needs keep coming; then read them all at once. It does nothing with what it reads.
// Usage: InotifyFloor <folder>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: InotifyFloor <folder>\n");
        return 2;
    }
    int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    constexpr std::uint32_t mask =
        IN_CREATE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
    if (fd < 0 || ::inotify_add_watch(fd, argv[1], mask) < 0) {
        std::perror("InotifyFloor");
        return 1;
    }
    static std::array<char, 64 * 1024> buffer;
    bool holding = false;
    while (true) {
        pollfd wanted{fd, POLLIN, 0};
        // Holding, it sleeps out the second without looking at the folder; otherwise it waits for a record.
        ::poll(holding ? nullptr : &wanted, holding ? 0 : 1, holding ? 1000 : -1);
        holding = ::read(fd, buffer.data(), buffer.size()) > 0;
    }
}
