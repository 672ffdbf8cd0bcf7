#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "core/engine/TranscriptParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view line(reinterpret_cast<const char*>(data), size);
    brimly::TranscriptParser::mayBeInteresting(line);
    brimly::TranscriptParser::mayBeTitle(line);
    brimly::TranscriptParser::mayContainImage(line);
    auto record = brimly::TranscriptParser::record(line);
    // The in-place form must agree with the copying one, whatever follows the line in its buffer.
    std::string padded(line);
    padded.append(brimly::TranscriptParser::linePadding, '"');
    auto inPlace = brimly::TranscriptParser::recordInPaddedLine(std::string_view(padded.data(), size));
    if (record != inPlace) __builtin_trap();
    if (record) {
        for (const auto& image : record->images) {
            std::string extension = image.fileExtension();
            if (extension.empty() || extension.find_first_of("/.") != std::string::npos) __builtin_trap();
            // Located Base64 text is a piece of the line or its unescaped form, never longer.
            if (image.base64.size() > size) __builtin_trap();
        }
    }
    return 0;
}
