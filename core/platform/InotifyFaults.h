#pragma once

#include <functional>

namespace brimly::InotifyFaults {

enum class Call { open, addWatch, read };

// Makes the given inotify call fail with the errno `fault` returns (0: no fault), for tests of limits a test
// cannot reach without disturbing the rest of the machine. Pass nullptr to restore normal operation; safe
// while a reader thread is running.
void set(std::function<int(Call)> fault);

}  // namespace brimly::InotifyFaults
