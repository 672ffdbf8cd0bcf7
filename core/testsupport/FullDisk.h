#pragma once

#include <string>
#include <system_error>

#include "core/base/AtomicFileFaults.h"

namespace brimly::testing {

// While it lives, AtomicFile writes of paths containing `part` fail as on a full disk; the fault goes with
// it, so a failed assertion cannot leave it behind for the next test.
class FullDisk {
public:
    explicit FullDisk(std::string part) {
        AtomicFile::setFaultForTesting(
            [part = std::move(part)](AtomicFile::Stage stage, const std::string& path) {
                return stage == AtomicFile::Stage::write && path.find(part) != std::string::npos
                           ? std::make_error_code(std::errc::no_space_on_device)
                           : std::error_code();
            });
    }
    ~FullDisk() { AtomicFile::setFaultForTesting(nullptr); }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;
};

}  // namespace brimly::testing
