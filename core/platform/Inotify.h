#pragma once

#include <sys/inotify.h>
#include <sys/types.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace brimly {

// An eventfd that makes a blocked `Inotify::wait` return; `signal` may be called from any thread.
class Wakeup {
public:
    Wakeup();
    ~Wakeup();
    Wakeup(const Wakeup&) = delete;
    Wakeup& operator=(const Wakeup&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    void signal();
    int fd() const { return m_fd; }

private:
    int m_fd = -1;
};

// One non-blocking inotify instance; the descriptor closes with the value. A reader thread blocks in `wait`
// with no timeout, so nothing wakes while nothing changes.
class Inotify {
public:
    struct AddResult {
        int wd = -1;
        // errno of a failed add (ENOSPC: the per-user watch limit), 0 on success.
        int error = 0;
        bool ok() const { return wd >= 0; }
    };
    enum class Wait { readable, woken, timedOut, failed };

    Inotify();
    ~Inotify();
    Inotify(const Inotify&) = delete;
    Inotify& operator=(const Inotify&) = delete;

    // False when the kernel refused an instance (EMFILE: the per-user instance limit, or the process's
    // descriptor limit); `openError` is its errno.
    bool isOpen() const { return m_fd >= 0; }
    int openError() const { return m_openError; }

    AddResult addWatch(const std::string& path, std::uint32_t mask);
    void removeWatch(int wd);
    // Reads whatever is queued without blocking; 0 when nothing is, -1 on error (errno tells which).
    ssize_t read(std::span<std::byte> buffer);

    // Blocks until one of `instances` has events (their indexes go to `readable`), `wakeup` is signalled or,
    // when `timeoutMs` is not negative, that many milliseconds have passed.
    static Wait wait(std::span<Inotify* const> instances, const Wakeup& wakeup,
                     std::vector<std::size_t>& readable, int timeoutMs = -1);

    // Room for many events, and at least one with the longest name.
    static constexpr std::size_t bufferSize = 64 * 1024;
    static constexpr std::size_t longestRecord = sizeof(inotify_event) + NAME_MAX + 1;

private:
    int m_fd = -1;
    int m_openError = 0;
};

}  // namespace brimly
