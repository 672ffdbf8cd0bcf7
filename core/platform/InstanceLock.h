#pragma once

#include <optional>
#include <string>

namespace brimly {

// An advisory lock on a file in the support folder, so that two processes never drive one store. The lock
// is held for the life of the value and released by the kernel if the process dies.
class InstanceLock {
public:
    // The lock on `folder`/"brimly.lock", or nothing when another process holds it or it cannot be made.
    static std::optional<InstanceLock> acquire(const std::string& folder, std::string* error = nullptr);

    InstanceLock(InstanceLock&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    InstanceLock& operator=(InstanceLock&& other) noexcept;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    ~InstanceLock();

    static constexpr const char* fileName = "brimly.lock";

private:
    explicit InstanceLock(int fd) : m_fd(fd) {}
    int m_fd = -1;
};

}  // namespace brimly
