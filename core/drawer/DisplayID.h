#pragma once

#include <cstdint>

namespace brimly {

// A display as the window server names it (an unsigned 32-bit identifier; RandR output ids on X11).
using DisplayID = std::uint32_t;

}  // namespace brimly
