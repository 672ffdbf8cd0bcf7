#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/config/DisplayStyle.h"
#include "core/config/DisplayStyleChoice.h"

namespace brimly {
namespace {

TEST(DisplayStyleChoiceTest, ParsesOnlyNotchAndTheThreePillSides) {
    struct Case {
        const char* raw;
        std::optional<DisplayStyleChoice> choice;
    };
    const Case cases[] = {
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
        {"pill-left ", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DisplayStyleChoice::parse(c.raw), c.choice) << c.raw;
        if (c.choice) {
            EXPECT_EQ(c.choice->rawValue(), c.raw);
        }
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
    struct Case {
        std::vector<std::string> values;
        DisplayStyleChoice expected;
    };
    const Case cases[] = {
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
    for (const auto& c : cases) {
        EXPECT_EQ(DisplayStyleChoice::migrate(c.values), c.expected) << c.values.size();
    }
}

TEST(DisplayStyleTest, ByteFormAndPositionsRoundTrip) {
    const DisplayStyle styles[] = {DisplayStyle::pill(PillSide::left), DisplayStyle::pill(PillSide::bottom),
                                   DisplayStyle::pill(PillSide::right), DisplayStyle::notch(),
                                   DisplayStyle::hoverNotch()};
    const DisplayStylePosition positions[] = {DisplayStylePosition::left, DisplayStylePosition::bottom,
                                              DisplayStylePosition::right, DisplayStylePosition::top,
                                              DisplayStylePosition::top};
    for (std::uint8_t i = 0; i < 5; ++i) {
        EXPECT_EQ(styles[i].byteValue(), i);
        EXPECT_EQ(DisplayStyle::fromByte(i), styles[i]);
        EXPECT_EQ(styles[i].position(), positions[i]);
    }
    EXPECT_EQ(DisplayStyle::fromByte(5), std::nullopt);
    for (auto position : allDisplayStylePositions) {
        EXPECT_EQ(parseDisplayStylePosition(rawValue(position)), position);
    }
    EXPECT_TRUE(isSide(DisplayStylePosition::right));
    EXPECT_FALSE(isSide(DisplayStylePosition::bottom));
    EXPECT_EQ(parsePillSide("top"), std::nullopt);
    EXPECT_EQ(parseDockSide("bottom"), DockSide::bottom);
}

}  // namespace
}  // namespace brimly
