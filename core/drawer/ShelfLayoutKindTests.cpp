#include <gtest/gtest.h>

#include "core/drawer/GlowLook.h"
#include "core/drawer/ShelfLayoutKind.h"

namespace brimly {
namespace {

TEST(ShelfLayoutKindTest, ResolvesPerStyleAndChoice) {
    struct Case {
        DisplayStyle style;
        LayoutChoice chosen;
        ShelfLayoutKind kind;
    };
    const Case cases[] = {
        {DisplayStyle::notch(), LayoutChoice::rail, ShelfLayoutKind::rail},
        {DisplayStyle::hoverNotch(), LayoutChoice::stacks, ShelfLayoutKind::stacks},
        {DisplayStyle::pill(PillSide::bottom), LayoutChoice::rail, ShelfLayoutKind::rail},
        {DisplayStyle::pill(PillSide::bottom), LayoutChoice::stacks, ShelfLayoutKind::stacks},
        {DisplayStyle::pill(PillSide::left), LayoutChoice::rail, ShelfLayoutKind::column},
        {DisplayStyle::pill(PillSide::right), LayoutChoice::stacks, ShelfLayoutKind::sideStacks},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(resolveShelfLayoutKind(c.style, c.chosen), c.kind) << static_cast<int>(c.style.byteValue());
    }
    for (auto kind : allShelfLayoutKinds) EXPECT_EQ(parseShelfLayoutKind(rawValue(kind)), kind);
    EXPECT_EQ(parseShelfLayoutKind("Rail"), std::nullopt);
    EXPECT_EQ(columns(ShelfLayoutKind::rail), 3);
    EXPECT_EQ(columns(ShelfLayoutKind::stacks), 0);
    EXPECT_EQ(columns(ShelfLayoutKind::column), 2);
    EXPECT_EQ(columns(ShelfLayoutKind::sideStacks), 1);
}

TEST(GlowLookTest, PresetsAndRestLevels) {
    EXPECT_EQ(GlowLook::forStrength(GlowStrength::subtle), (GlowLook{12, 28}));
    EXPECT_EQ(GlowLook::forStrength(GlowStrength::balanced), (GlowLook{16, 28}));
    EXPECT_EQ(GlowLook::forStrength(GlowStrength::strong), (GlowLook{22, 40}));
    EXPECT_EQ(GlowLook::restLevel(GlowStrength::subtle, false), 0.6);
    EXPECT_EQ(GlowLook::restLevel(GlowStrength::balanced, false), 0.75);
    EXPECT_EQ(GlowLook::restLevel(GlowStrength::strong, false), 0.85);
    EXPECT_EQ(GlowLook::restLevel(GlowStrength::subtle, true), 1.0);
}

}  // namespace
}  // namespace brimly
