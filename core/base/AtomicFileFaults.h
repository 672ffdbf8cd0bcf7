#pragma once

#include <functional>
#include <string>
#include <system_error>

namespace brimly::AtomicFile {

// The steps of a replacement at which a test can make it fail.
enum class Stage { open, write, sync, rename };

// Makes the given stage of an AtomicFile replacement of `path` fail with the returned error, for tests of
// faults a test cannot cause for real (a disk too full for a screenshot but not for the index). Pass nullptr
// to restore normal operation. Only tests include this.
using Fault = std::function<std::error_code(Stage, const std::string& path)>;
void setFaultForTesting(Fault fault);

}  // namespace brimly::AtomicFile
