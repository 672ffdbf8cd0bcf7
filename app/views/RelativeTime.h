#pragma once

#include <string>

#include "core/base/Date.h"
#include "core/base/TimeZone.h"

namespace brimly {

// How long ago something happened, as a card says it: "now", "2 min ago", "3 h ago", "yesterday", then the
// date. A time in the future (another machine's clock) reads as "now".
std::string relativeTime(Date at, Date now, const TimeZone& zone);

}  // namespace brimly
