#pragma once

namespace brimly::VipsModules {

// libvips opens every loadable module it finds when it starts: ImageMagick, poppler, OpenSlide, JPEG XL
// and HEIF, each with its own libraries, some 6 MB resident between them and a good deal of parser code
// that never sees a file it should. The shelf needs HEIF for HEIF pictures and poppler for PDF pages, and
// only once such a file turns up, so the modules are kept out at start and loaded by name when needed.
//
// Call before libvips starts. It briefly changes the environment, as libvips' own start does anyway.
// Returns false when libvips had already looked for its modules, which then all load as usual.
bool keepOutAtStart(const char* argv0);

// Makes `operation` (a libvips nickname such as "heifload") available, loading `module` ("heif") when
// the library does not have it yet. False when neither has it.
bool require(const char* operation, const char* module);

// Whether libvips has `operation` now, without loading anything.
bool has(const char* operation);

}  // namespace brimly::VipsModules
