#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <string>

namespace brimly::testing {

// Sets a file's access and modification times (of a link itself, not its target) to `unixSeconds`.
inline void setModified(const std::string& path, double unixSeconds) {
    auto seconds = static_cast<std::time_t>(unixSeconds);
    struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

}  // namespace brimly::testing
