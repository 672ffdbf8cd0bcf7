#include <gtest/gtest.h>

#include "core/drawer/GlowLook.h"
#include "core/drawer/ShelfLayoutKind.h"

namespace brimly {
namespace {

TEST(ShelfLayoutKindTest, ResolvesPerStyleAndChoice) {
    const std::tuple<DisplayStyle, LayoutChoice, ShelfLayoutKind> cases[] = {
        {DisplayStyle::notch(), LayoutChoice::rail, ShelfLayoutKind::rail},
        {DisplayStyle::hoverNotch(), LayoutChoice::stacks, ShelfLayoutKind::stacks},
        {DisplayStyle::pill(PillSide::bottom), LayoutChoice::rail, ShelfLayoutKind::rail},
        {DisplayStyle::pill(PillSide::bottom), LayoutChoice::stacks, ShelfLayoutKind::stacks},
        {DisplayStyle::pill(PillSide::left), LayoutChoice::rail, ShelfLayoutKind::column},
        {DisplayStyle::pill(PillSide::right), LayoutChoice::stacks, ShelfLayoutKind::sideStacks},
    };
    for (const auto& [style, chosen, kind] : cases) {
        EXPECT_EQ(resolveShelfLayoutKind(style, chosen), kind) << static_cast<int>(style.byteValue());
    }
    for (auto kind : allShelfLayoutKinds) EXPECT_EQ(parseShelfLayoutKind(rawValue(kind)), kind);
    EXPECT_EQ(parseShelfLayoutKind("Rail"), std::nullopt);
}

TEST(GlowLookTest, StrongerGlowsAreLargerAndRestBrighterUnlessContrastIsRaised) {
    const GlowStrength strengths[] = {GlowStrength::subtle, GlowStrength::balanced, GlowStrength::strong};
    for (std::size_t i = 1; i < std::size(strengths); ++i) {
        EXPECT_GT(GlowLook::forStrength(strengths[i]).radius, GlowLook::forStrength(strengths[i - 1]).radius);
        EXPECT_GT(GlowLook::restLevel(strengths[i], false), GlowLook::restLevel(strengths[i - 1], false));
    }
    for (auto strength : strengths) EXPECT_EQ(GlowLook::restLevel(strength, true), 1.0);
}

}  // namespace
}  // namespace brimly
