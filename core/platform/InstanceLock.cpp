#include "core/platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/platform/FileSystem.h"

namespace brimly {

std::optional<InstanceLock> InstanceLock::acquire(const std::string& folder, std::string* error) {
    if (!FileSystem::createDirectories(folder)) {
        if (error) *error = "cannot create " + folder;
        return std::nullopt;
    }
    std::string path = FileSystem::join(folder, fileName);
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (error) *error = std::string("cannot open ") + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (error) {
            *error = errno == EWOULDBLOCK ? "another Brimly is already using " + folder
                                          : std::string("cannot lock ") + path + ": " + std::strerror(errno);
        }
        ::close(fd);
        return std::nullopt;
    }
    return InstanceLock(fd);
}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

InstanceLock::~InstanceLock() {
    if (m_fd >= 0) ::close(m_fd);
}

}  // namespace brimly
