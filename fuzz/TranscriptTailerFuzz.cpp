#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "core/engine/TranscriptTailer.h"

namespace {

std::string scratchFile() {
    static const std::string path = [] {
        std::string pattern = "/tmp/brimly-tailer-fuzz-XXXXXX";
        int fd = ::mkstemp(pattern.data());
        if (fd >= 0) ::close(fd);
        return pattern;
    }();
    return path;
}

}  // namespace

// The input is a byte stream appended to a transcript in pieces; the first bytes choose the read size and
// where the pieces end. Whatever arrives, the offset only moves forward over whole lines.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const auto chunk = static_cast<std::int64_t>(data[0] % 64) + 1;
    const std::size_t pieces = data[1] % 4 + 1;
    std::string_view stream(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::string path = scratchFile();
    std::ofstream(path, std::ios::binary | std::ios::trunc).flush();

    brimly::TranscriptTailer tailer(brimly::Url::fromPath(path), std::nullopt, 1 << 20, chunk);
    std::size_t written = 0;
    for (std::size_t piece = 1; piece <= pieces; ++piece) {
        std::size_t upTo = stream.size() * piece / pieces;
        {
            std::ofstream out(path, std::ios::binary | std::ios::app);
            out.write(stream.data() + written, static_cast<std::streamsize>(upTo - written));
        }
        written = upTo;
        auto before = tailer.offset().value_or(0);
        tailer.read([](brimly::TranscriptBatch batch) {
            for (const auto& candidate : batch.candidates) {
                if (candidate.slug != "tmp") __builtin_trap();
            }
        });
        auto after = tailer.offset().value_or(0);
        if (after < before || after > written) __builtin_trap();
        if (after > 0 && stream[after - 1] != '\n') __builtin_trap();
    }
    return 0;
}
