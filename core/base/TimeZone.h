#pragma once

#include <optional>

#include "core/base/Date.h"

namespace brimly {

// Calendar fields of one instant in one time zone (Gregorian calendar; weekday 0 is Sunday).
struct CivilTime {
    int year = 2001;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 1;

    bool isSameDay(const CivilTime& other) const {
        return year == other.year && month == other.month && day == other.day;
    }
    bool operator==(const CivilTime&) const = default;
};

// The time zone used to turn dates into calendar fields: either a fixed offset east of UTC (tests, and any
// caller that knows its offset) or the process's local zone as the C library resolves it from TZ or
// /etc/localtime, daylight saving included. Reading the local zone is thread-safe as long as nobody
// changes TZ while the program runs.
class TimeZone {
public:
    static TimeZone utc() { return fixed(0); }
    static TimeZone fixed(int secondsEastOfUTC) { return TimeZone(secondsEastOfUTC); }
    static TimeZone local() { return TimeZone(std::nullopt); }

    bool isLocal() const { return !m_fixedOffset.has_value(); }
    // Seconds east of UTC in force at `date`.
    int offsetAt(Date date) const;
    // A non-finite date is read as the reference date.
    CivilTime civil(Date date) const;

    bool operator==(const TimeZone&) const = default;

private:
    explicit TimeZone(std::optional<int> offset) : m_fixedOffset(offset) {}
    std::optional<int> m_fixedOffset;
};

}  // namespace brimly
