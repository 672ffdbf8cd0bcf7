#pragma once

#include <functional>
#include <system_error>

namespace brimly::AtomicFile {

// The steps of a replacement at which a test can make it fail.
enum class Stage { open, write, sync, rename };

// Makes the given stage of every AtomicFile replacement fail with the returned error, for tests of faults a
// test cannot cause for real (a full disk). Pass nullptr to restore normal operation. Only tests include
// this.
void setFaultForTesting(std::function<std::error_code(Stage)> fault);

}  // namespace brimly::AtomicFile
