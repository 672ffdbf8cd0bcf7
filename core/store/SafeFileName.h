#pragma once

#include <cstddef>
#include <string_view>

namespace brimly {

// Item ids and extensions come from transcripts and file names; these checks decide whether one may become
// part of a file name in the support folder. A safe name has no "/", no "..", no NUL or control byte, does
// not start with a dot and is short enough that the name with its suffixes stays within one path component.
namespace SafeFileName {

inline constexpr std::size_t maxIDLength = 200;
inline constexpr std::size_t maxExtensionLength = 16;

inline constexpr std::size_t maxNameLength = 255;

// Letters, digits and "-_.~:+=@%", not starting with a dot, no "..", at most `maxNameLength` bytes.
bool isSafeName(std::string_view name);
// A safe name of at most `maxIDLength` bytes.
bool isSafeID(std::string_view id);
// Letters and digits only, 1 to `maxExtensionLength` bytes.
bool isSafeExtension(std::string_view ext);

}  // namespace SafeFileName
}  // namespace brimly
