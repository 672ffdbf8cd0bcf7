#include <gtest/gtest.h>

#include "core/shelf/CollapsedSections.h"
#include "core/shelf/ShelfTestItems.h"
#include "core/shelf/Turn.h"

namespace brimly {
namespace {

using testing::makeItem;
using testing::withPath;

TEST(TurnTest, IdentityGroupsByPromptThenSessionThenSubfolder) {
    const std::string folder = "folder:/home/u/shots";
    const std::string earlier = "earlier:" + folder;
    const auto none = std::nullopt;
    // clang-format off
    // name, item, turn id, folder files, subfolder
    const std::tuple<const char*, ShelfItem, std::string, bool, std::optional<std::string>> cases[] = {
        {"prompt", makeItem("a", "s1", 1, "p1"), "p1", false, none},
        {"no prompt", makeItem("a", "s1", 1), "earlier:s1", false, none},
        {"session path ignored", withPath(makeItem("a", "s1", 1), "/x/y/z.png"), "earlier:s1", false, none},
        {"folder, nested", withPath(makeItem("a", folder, 1), "/home/u/shots/a/b/x.png"), earlier + "\x1f" "a/b", true, "a/b"},
        {"folder, directly inside", withPath(makeItem("a", folder, 1), "/home/u/shots/x.png"), earlier, true, none},
        {"folder, sibling with the same prefix", withPath(makeItem("a", folder, 1), "/home/u/shots2/x.png"), earlier, true, none},
        {"folder, outside", withPath(makeItem("a", folder, 1), "/tmp/x.png"), earlier, true, none},
        {"folder, no path", makeItem("a", folder, 1), earlier, true, none},
        {"folder, doubled slash", withPath(makeItem("a", folder, 1), "/home/u/shots//c//x.png"), earlier + "\x1f" "c", true, "c"},
        {"folder item with a prompt", withPath(makeItem("a", folder, 1, "p"), "/home/u/shots/a/x.png"), "p", false, none},
    };
    // clang-format on
    for (const auto& [name, item, id, isFolderFiles, subfolder] : cases) {
        Turn turn{Turn::idFor(item), std::nullopt, {item}};
        EXPECT_EQ(turn.id, id) << name;
        EXPECT_EQ(turn.isEarlier(), id.starts_with("earlier:")) << name;
        EXPECT_EQ(turn.isFolderFiles(), isFolderFiles) << name;
        EXPECT_EQ(turn.subfolder(), subfolder) << name;
    }
}

TEST(CollapsedSectionsTest, ToggleSelectableAndPrune) {
    CollapsedSections collapsed;
    collapsed.toggle("t1");
    EXPECT_TRUE(collapsed.contains("t1"));
    collapsed.toggle("t1");
    EXPECT_EQ(collapsed, CollapsedSections{});

    SessionGroup group{testing::makeSession("s", 5),
                       {Turn{"t1", std::nullopt, {makeItem("a", "s", 3), makeItem("b", "s", 2)}},
                        Turn{"t2", std::nullopt, {makeItem("c", "s", 1)}},
                        Turn{"t3", std::nullopt, {makeItem("d", "s", 0)}}},
                       5};
    EXPECT_EQ(group.items().size(), 4u);
    collapsed.toggle("t2");
    collapsed.toggle("gone");
    using Sections = std::vector<std::vector<std::string>>;
    EXPECT_EQ(collapsed.selectable(group), (Sections{{"a", "b"}, {"d"}}));

    collapsed.prune({"t1", "t2", "t3"});
    EXPECT_EQ(collapsed.ids, (std::set<std::string>{"t2"}));
}

}  // namespace
}  // namespace brimly
