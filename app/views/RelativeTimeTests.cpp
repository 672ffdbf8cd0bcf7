#include <gtest/gtest.h>

#include <tuple>

#include "app/views/RelativeTime.h"

namespace brimly {
namespace {

// 2024-03-15 12:00:00 UTC, a Friday.
constexpr Date noon = dateFromUnix(1710504000);

TEST(RelativeTimeTest, CountsMinutesAndHoursWithinTheDayThenNamesTheDay) {
    // clang-format off
    const std::tuple<double, int, std::string> cases[] = {
        {0,                     0,     "now"},
        {59,                    0,     "now"},
        {-30,                   0,     "now"},  // another machine's clock runs ahead
        {60,                    0,     "1 min ago"},
        {119 * 60,              0,     "1 h ago"},
        {11 * 3600 + 59 * 60,   0,     "11 h ago"},
        {12 * 3600 + 1,         0,     "yesterday"},
        {13 * 3600,             3600,  "13 h ago"},  // 01:00 local is still the same day
        {36 * 3600,             0,     "yesterday"},
        {36 * 3600 + 1,         0,     "13 Mar"},
        {80 * 86400.0,          0,     "26 Dec 2023"},
    };
    // clang-format on
    for (const auto& [ago, offset, expected] : cases) {
        EXPECT_EQ(relativeTime(noon - ago, noon, TimeZone::fixed(offset)), expected) << ago << " s ago";
    }
}

}  // namespace
}  // namespace brimly
