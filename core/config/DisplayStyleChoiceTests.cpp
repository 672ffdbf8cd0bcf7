#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/config/DisplayStyle.h"
#include "core/config/DisplayStyleChoice.h"

namespace brimly {
namespace {

TEST(DisplayStyleChoiceTest, ParsesOnlyNotchAndTheThreePillSides) {
    const std::pair<const char*, std::optional<DisplayStyleChoice>> cases[] = {
        {"notch", DisplayStyleChoice::notch()},
        {"pill-left", DisplayStyleChoice::pill(PillSide::left)},
        {"pill-bottom", DisplayStyleChoice::pill(PillSide::bottom)},
        {"pill-right", DisplayStyleChoice::pill(PillSide::right)},
        {"pill-top", std::nullopt},
        {"pill-", std::nullopt},
        {"pill", std::nullopt},
        {"dock", std::nullopt},
        {"Notch", std::nullopt},
        {"notch ", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [raw, choice] : cases) {
        EXPECT_EQ(DisplayStyleChoice::parse(raw), choice) << raw;
        EXPECT_EQ(choice ? choice->rawValue() : raw, raw);
    }
}

TEST(DisplayStyleChoiceTest, ResolvesPerDisplay) {
    EXPECT_EQ(DisplayStyleChoice::notch().style(true), DisplayStyle::notch());
    EXPECT_EQ(DisplayStyleChoice::notch().style(false), DisplayStyle::hoverNotch());
    for (auto side : allPillSides) {
        EXPECT_EQ(DisplayStyleChoice::pill(side).style(true), DisplayStyle::pill(side));
        EXPECT_EQ(DisplayStyleChoice::pill(side).style(false), DisplayStyle::pill(side));
    }
}

TEST(DisplayStyleChoiceTest, MigratesPerDisplayValuesInSortedOrder) {
    const std::pair<std::vector<std::string>, DisplayStyleChoice> cases[] = {
        {{}, DisplayStyleChoice::notch()},
        {{"notch"}, DisplayStyleChoice::notch()},
        {{"garbage", "notch"}, DisplayStyleChoice::notch()},
        {{"pill-top"}, DisplayStyleChoice::pill(PillSide::bottom)},
        {{"dock"}, DisplayStyleChoice::pill(PillSide::bottom)},
        // "dock" sorts before "pill-right", so it decides.
        {{"pill-right", "dock"}, DisplayStyleChoice::pill(PillSide::bottom)},
        {{"notch", "pill-right"}, DisplayStyleChoice::pill(PillSide::right)},
        {{"pill-right", "pill-left"}, DisplayStyleChoice::pill(PillSide::left)},
        {{"pill-up", "pill-right"}, DisplayStyleChoice::pill(PillSide::right)},
    };
    for (const auto& [values, expected] : cases)
        EXPECT_EQ(DisplayStyleChoice::migrate(values), expected) << ::testing::PrintToString(values);
}

// Positions reach the drawer through the layouts and sizes it picks; the byte form is all that stays here.
TEST(DisplayStyleTest, ByteFormRoundTrips) {
    for (std::uint8_t byte = 0; byte < 5; ++byte)
        EXPECT_EQ(DisplayStyle::fromByte(byte).value().byteValue(), byte);
    EXPECT_EQ(DisplayStyle::fromByte(5), std::nullopt);
}

}  // namespace
}  // namespace brimly
