#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/base/TimeZone.h"

namespace brimly {
namespace {

TEST(TimeZone, CivilFieldsAtFixedOffsets) {
    // 2026-03-03 23:30:15 UTC, a Tuesday.
    Date date = dateFromUnix(1772580615);
    EXPECT_EQ(TimeZone::utc().civil(date), (CivilTime{2026, 3, 3, 23, 30, 15, 2}));
    // Two hours east it is already Wednesday.
    EXPECT_EQ(TimeZone::fixed(7200).civil(date), (CivilTime{2026, 3, 4, 1, 30, 15, 3}));
    EXPECT_EQ(TimeZone::fixed(-5 * 3600).civil(date), (CivilTime{2026, 3, 3, 18, 30, 15, 2}));
}

TEST(TimeZone, DatesBeforeTheReferenceDateAndOddValues) {
    EXPECT_EQ(TimeZone::utc().civil(0), (CivilTime{2001, 1, 1, 0, 0, 0, 1}));
    // Half a second before the reference date is still the last second of 2000.
    EXPECT_EQ(TimeZone::utc().civil(-0.5), (CivilTime{2000, 12, 31, 23, 59, 59, 0}));
    EXPECT_EQ(TimeZone::utc().civil(std::nan("")), TimeZone::utc().civil(0));
    CivilTime huge = TimeZone::utc().civil(std::numeric_limits<double>::max());
    EXPECT_GE(huge.hour, 0);
    EXPECT_LT(huge.hour, 24);
}

TEST(TimeZone, LocalZoneAgreesWithItsOwnOffset) {
    Date date = dateFromUnix(1772580615);
    TimeZone local = TimeZone::local();
    EXPECT_TRUE(local.isLocal());
    EXPECT_EQ(local.civil(date), TimeZone::fixed(local.offsetAt(date)).civil(date));
}

}  // namespace
}  // namespace brimly
