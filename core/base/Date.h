#pragma once

#include <cmath>
#include <limits>

namespace brimly {

// Wall-clock time as persisted: seconds since 2001-01-01 00:00:00 UTC.
using Date = double;

// Seconds between the Unix epoch and 2001-01-01 00:00:00 UTC.
inline constexpr double unixToReferenceOffset = 978307200.0;
// Earlier than any real date; the start value for "latest so far" scans.
inline constexpr Date distantPast = -63114076800.0;
inline constexpr Date distantFuture = 63113904000.0;

constexpr Date dateFromUnix(double unixSeconds) { return unixSeconds - unixToReferenceOffset; }
constexpr double unixFromDate(Date date) { return date + unixToReferenceOffset; }

}  // namespace brimly
