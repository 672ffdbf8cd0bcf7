#pragma once

namespace brimly::ImageModules {

// The image library keeps its loadable modules (HEIF, poppler, ImageMagick and others, each with its own
// libraries) out until a file needs one; these load one by name.

// Makes `operation` (a libvips nickname such as "heifload") available, loading `module` ("heif") when
// the library does not have it yet. False when neither has it, or pictures cannot be read at all.
bool require(const char* operation, const char* module);

// Whether the image library has `operation` now, without loading any module.
bool has(const char* operation);

}  // namespace brimly::ImageModules
