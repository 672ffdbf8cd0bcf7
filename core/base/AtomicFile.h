#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace brimly {

// Replaces a file in one step: a temporary file beside it is written, synced and renamed over it, then the
// folder is synced. On failure the previous file is intact, the temporary file is gone and the error is
// returned.
namespace AtomicFile {

enum class Stage { open, write, sync, rename };

std::error_code write(const std::string& path, std::string_view bytes);
// The whole file, or the error that prevented reading it.
std::optional<std::string> read(const std::string& path, std::error_code* error = nullptr);

// Makes the given stage fail with the returned error, for tests of faults a test cannot cause for real
// (a full disk). Pass nullptr to restore normal operation.
void setFaultForTesting(std::function<std::error_code(Stage)> fault);

}  // namespace AtomicFile
}  // namespace brimly
