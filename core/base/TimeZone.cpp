#include "core/base/TimeZone.h"

#include <chrono>
#include <cmath>
#include <ctime>

namespace brimly {

namespace {

// Whole Unix seconds of a date, clamped so that later arithmetic cannot overflow.
long long unixSeconds(Date date) {
    if (!std::isfinite(date)) date = 0;
    double seconds = std::floor(unixFromDate(date));
    constexpr double limit = 1.0e12;
    if (seconds > limit) seconds = limit;
    if (seconds < -limit) seconds = -limit;
    return static_cast<long long>(seconds);
}

}  // namespace

int TimeZone::offsetAt(Date date) const {
    if (m_fixedOffset) return *m_fixedOffset;
    auto seconds = static_cast<std::time_t>(unixSeconds(date));
    std::tm fields{};
    if (::localtime_r(&seconds, &fields) == nullptr) return 0;
    return static_cast<int>(fields.tm_gmtoff);
}

CivilTime TimeZone::civil(Date date) const {
    using namespace std::chrono;
    long long local = unixSeconds(date) + offsetAt(date);
    sys_seconds instant{seconds(local)};
    sys_days day = floor<days>(instant);
    year_month_day ymd{day};
    hh_mm_ss<seconds> time{instant - day};
    CivilTime result;
    result.year = static_cast<int>(ymd.year());
    result.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    result.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    result.hour = static_cast<int>(time.hours().count());
    result.minute = static_cast<int>(time.minutes().count());
    result.second = static_cast<int>(time.seconds().count());
    result.weekday = static_cast<int>(weekday(day).c_encoding());
    return result;
}

}  // namespace brimly
