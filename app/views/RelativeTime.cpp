#include "app/views/RelativeTime.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace brimly {

namespace {
// Days between two calendar dates, counted on the proleptic Gregorian calendar.
long dayNumber(const CivilTime& time) {
    int year = time.year - (time.month <= 2 ? 1 : 0);
    long era = (year >= 0 ? year : year - 399) / 400;
    long yearOfEra = year - era * 400;
    long month = time.month > 2 ? time.month - 3 : time.month + 9;
    long dayOfYear = (153 * month + 2) / 5 + time.day - 1;
    long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra;
}
}  // namespace

std::string relativeTime(Date at, Date now, const TimeZone& zone) {
    double ago = now - at;
    if (!std::isfinite(ago) || ago < 60) return "now";
    if (ago < 3600) return std::to_string(long(ago / 60)) + " min ago";
    CivilTime then = zone.civil(at);
    CivilTime today = zone.civil(now);
    long days = dayNumber(today) - dayNumber(then);
    // Hours read naturally only within the same day; the evening before is "yesterday" even at 01:00.
    if (days == 0) return std::to_string(long(ago / 3600)) + " h ago";
    if (days == 1) return "yesterday";
    static constexpr std::array<const char*, 12> months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<char, 24> buffer{};
    const char* month = months.at(std::size_t(std::clamp(then.month, 1, 12) - 1));
    if (then.year == today.year) {
        std::snprintf(buffer.data(), buffer.size(), "%d %s", then.day, month);
    } else {
        std::snprintf(buffer.data(), buffer.size(), "%d %s %d", then.day, month, then.year);
    }
    return buffer.data();
}

}  // namespace brimly
