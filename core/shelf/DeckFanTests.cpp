#include <gtest/gtest.h>

#include "core/shelf/DeckFan.h"

namespace brimly {
namespace {

TEST(DeckFanTest, ClicksOpenOnlyClosedDecksOfSeveralItems) {
    DeckFan fan;
    EXPECT_TRUE(fan.isFanned("t", 1, false));
    EXPECT_FALSE(fan.isFanned("t", 3, false));
    EXPECT_TRUE(fan.isFanned("t", 3, true));

    EXPECT_FALSE(fan.click("t", 1, false));
    EXPECT_FALSE(fan.click("t", 3, true));
    EXPECT_FALSE(fan.clickedOpen());
    EXPECT_TRUE(fan.click("t", 3, false));
    EXPECT_TRUE(fan.isFanned("t", 3, false));
    EXPECT_FALSE(fan.isFanned("u", 3, false));
    EXPECT_FALSE(fan.click("t", 3, false));
    EXPECT_TRUE(fan.click("u", 2, false));
    EXPECT_EQ(fan.clickedOpen(), "u");
}

TEST(DeckFanTest, EscapeUndoesOneLevelPerPress) {
    DeckFan fan;
    fan.click("t", 3, false);
    EXPECT_EQ(fan.escape(true, true), DeckFan::EscapeStep::closePreview);
    EXPECT_EQ(fan.clickedOpen(), "t");
    EXPECT_EQ(fan.escape(false, true), DeckFan::EscapeStep::clearSelection);
    EXPECT_EQ(fan.clickedOpen(), "t");
    EXPECT_EQ(fan.escape(false, false), DeckFan::EscapeStep::collapseDeck);
    EXPECT_FALSE(fan.clickedOpen());
    EXPECT_EQ(fan.escape(false, false), DeckFan::EscapeStep::nothing);
}

TEST(DeckFanTest, FoldingAndRebuildsCloseTheDeck) {
    DeckFan fan;
    fan.click("t", 3, false);
    fan.fold("s", {"a", "b"});
    EXPECT_EQ(fan.clickedOpen(), "t");
    fan.fold("s", {"a", "t"});
    EXPECT_FALSE(fan.clickedOpen());

    fan.click("t", 3, false);
    fan.fold("t", {});
    EXPECT_FALSE(fan.clickedOpen());

    fan.click("t", 3, false);
    fan.itemsChanged({"t", "u"});
    EXPECT_EQ(fan.clickedOpen(), "t");
    fan.itemsChanged({"u"});
    EXPECT_FALSE(fan.clickedOpen());
    fan.click("t", 3, false);
    fan.close();
    EXPECT_FALSE(fan.clickedOpen());
}

}  // namespace
}  // namespace brimly
