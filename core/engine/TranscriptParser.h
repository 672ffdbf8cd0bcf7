#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "core/engine/TranscriptRecord.h"

namespace brimly {

// Decodes one Claude Code transcript line into the little the shelf needs. Pure functions; each thread
// keeps its own JSON parser, so any thread may call them.
namespace TranscriptParser {

// Bytes that must be readable (of any value) after a line handed to `recordInPaddedLine`.
inline constexpr std::size_t linePadding = 64;

// Nothing when the line is not a JSON object or carries nothing of interest.
std::optional<TranscriptRecord> record(std::string_view line);
// The same without copying the line: `line.data() + line.size()` must be followed by `linePadding`
// readable bytes. Readers that own their buffer use this for multi-megabyte lines.
std::optional<TranscriptRecord> recordInPaddedLine(std::string_view line);
std::vector<TranscriptImage> images(std::string_view line);

// Byte searches run before any decoding so that most lines are skipped cheaply.
bool mayBeInteresting(std::string_view line);
bool mayBeTitle(std::string_view line);
bool mayContainImage(std::string_view line);

}  // namespace TranscriptParser
}  // namespace brimly
