#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "core/base/FileReader.h"

namespace brimly {

// Replaces a file in one step: a temporary file beside it is written, synced and renamed over it, then the
// folder is synced. On failure the previous file is intact, the temporary file is gone and the error is
// returned.
namespace AtomicFile {

[[nodiscard]] std::error_code write(const std::string& path, std::string_view bytes);
// Writes whatever `produce` hands to the function it is given, in that order, the same way; the pieces go to
// the file through a small buffer, so that a large file is never held whole in memory.
using Put = std::function<void(std::string_view)>;
[[nodiscard]] std::error_code writeStreaming(const std::string& path,
                                             const std::function<void(const Put&)>& produce);
// Writes the content of the open file `source` to `path` the same way, a block at a time, handing each block
// read to `observe` (when given) so that a caller can digest what was copied without reading it twice.
[[nodiscard]] std::error_code copy(const FileReader& source, const std::string& path,
                                   const std::function<void(std::string_view)>& observe = {});
// The whole file, or the error that prevented reading it; anything but a regular file is refused
// (std::errc::invalid_argument) without waiting on it.
std::optional<std::string> read(const std::string& path, std::error_code* error = nullptr);

}  // namespace AtomicFile
}  // namespace brimly
