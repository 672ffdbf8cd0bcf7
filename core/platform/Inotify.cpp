#include "core/platform/Inotify.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "core/platform/InotifyFaults.h"

namespace brimly {

namespace {

std::mutex& faultLock() {
    static std::mutex lock;
    return lock;
}

std::function<int(InotifyFaults::Call)>& fault() {
    static std::function<int(InotifyFaults::Call)> hook;
    return hook;
}

int injected(InotifyFaults::Call call) {
    std::lock_guard guard(faultLock());
    return fault() ? fault()(call) : 0;
}

}  // namespace

void InotifyFaults::set(std::function<int(Call)> hook) {
    std::lock_guard guard(faultLock());
    fault() = std::move(hook);
}

Wakeup::Wakeup() : m_fd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

Wakeup::~Wakeup() {
    if (m_fd >= 0) ::close(m_fd);
}

void Wakeup::signal() {
    if (m_fd < 0) return;
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t written = ::write(m_fd, &one, sizeof one);
}

Inotify::Inotify() {
    if (int error = injected(InotifyFaults::Call::open)) {
        m_openError = error;
        return;
    }
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0) m_openError = errno;
}

Inotify::~Inotify() {
    if (m_fd >= 0) ::close(m_fd);
}

Inotify::AddResult Inotify::addWatch(const std::string& path, std::uint32_t mask) {
    if (m_fd < 0) return {-1, EBADF};
    if (int error = injected(InotifyFaults::Call::addWatch)) return {-1, error};
    int wd = ::inotify_add_watch(m_fd, path.c_str(), mask);
    if (wd < 0) return {-1, errno};
    return {wd, 0};
}

void Inotify::removeWatch(int wd) {
    if (m_fd >= 0) ::inotify_rm_watch(m_fd, wd);
}

ssize_t Inotify::read(std::span<std::byte> buffer) {
    if (int error = injected(InotifyFaults::Call::read)) {
        errno = error;
        return -1;
    }
    while (true) {
        ssize_t count = ::read(m_fd, buffer.data(), buffer.size());
        if (count >= 0) return count;
        if (errno == EINTR) continue;
        if (errno == EAGAIN) return 0;
        return -1;
    }
}

Inotify::Wait Inotify::wait(std::span<Inotify* const> instances, const Wakeup& wakeup,
                            std::vector<std::size_t>& readable, int timeoutMs) {
    std::vector<struct pollfd> fds;
    fds.reserve(instances.size() + 1);
    fds.push_back({wakeup.fd(), POLLIN, 0});
    for (const Inotify* instance : instances) fds.push_back({instance->m_fd, POLLIN, 0});
    readable.clear();
    while (true) {
        int ready = ::poll(fds.data(), fds.size(), timeoutMs);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return Wait::failed;
        }
        if (ready == 0) return Wait::timedOut;
        if ((fds[0].revents & POLLIN) != 0) return Wait::woken;
        bool broken = false;
        for (std::size_t index = 1; index < fds.size(); ++index) {
            if ((fds[index].revents & POLLIN) != 0) readable.push_back(index - 1);
            if ((fds[index].revents & (POLLERR | POLLNVAL)) != 0) broken = true;
        }
        if (!readable.empty()) return Wait::readable;
        if (broken) return Wait::failed;
    }
}

}  // namespace brimly
