#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/base/Date.h"

namespace brimly {

// Internet date-time (RFC 3339): "2026-01-02T03:04:05Z", with optional fractional seconds and a "Z" or
// numeric offset. Anything else gives no date.
std::optional<Date> parseIso8601(std::string_view text);
// UTC with milliseconds, e.g. "2026-01-02T03:04:05.123Z".
std::string formatIso8601(Date date);
// UTC in whole seconds (the fraction is dropped), e.g. "2026-01-02T03:04:05Z".
std::string formatIso8601Seconds(Date date);

}  // namespace brimly
