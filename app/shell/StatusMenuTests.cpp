#include <gtest/gtest.h>

#include "app/shell/StatusMenu.h"

namespace brimly {
namespace {

// Titles in order; "—" for a separator.
std::vector<std::string> titles(const std::vector<MenuItem>& items) {
    std::vector<std::string> result;
    for (const auto& item : items)
        result.push_back(item.kind == MenuItem::Kind::separator ? "—" : item.title);
    return result;
}

TEST(StatusMenuTest, ItemsFollowTheUnreadCountAKnownUpdateAndTheFeedbackAddress) {
    using Titles = std::vector<std::string>;
    struct Case {
        StatusMenu::Inputs inputs;
        Titles expected;
    };
    // clang-format off
    const Case cases[] = {
        {{.unread = 0}, {"Show Shelf", "—", "Settings…", "Check for Updates…", "About Brimly", "—", "Quit Brimly"}},
        {{.unread = 3, .hasFeedbackAddress = true}, {"Show Shelf (3 new)", "—", "Settings…", "Check for Updates…", "Send Feedback…", "About Brimly", "—", "Quit Brimly"}},
        {{.unread = 1, .updateVersion = "1.2"}, {"Update to Brimly 1.2…", "—", "Show Shelf (1 new)", "—", "Settings…", "Check for Updates…", "About Brimly", "—", "Quit Brimly"}},
        {{.hasWelcome = true}, {"Show Shelf", "—", "Settings…", "Check for Updates…", "About Brimly", "Welcome to Brimly…", "—", "Quit Brimly"}},
    };
    // clang-format on
    for (const auto& c : cases) EXPECT_EQ(titles(StatusMenu::build(c.inputs, {})), c.expected);
}

TEST(StatusMenuTest, EachItemRunsItsOwnAction) {
    std::vector<std::string> ran;
    auto record = [&](std::string name) { return [&ran, name] { ran.push_back(name); }; };
    StatusMenu::Actions actions{.showUpdate = record("update"),
                                .toggleShelf = record("toggle"),
                                .openSettings = record("settings"),
                                .checkForUpdates = record("check"),
                                .sendFeedback = record("feedback"),
                                .about = record("about"),
                                .welcome = record("welcome"),
                                .quit = record("quit")};
    for (const auto& item : StatusMenu::build(
             {.unread = 2, .updateVersion = "2.0", .hasFeedbackAddress = true, .hasWelcome = true},
             actions)) {
        item.choose();
    }
    EXPECT_EQ(ran, (std::vector<std::string>{"update", "toggle", "settings", "check", "feedback", "about",
                                             "welcome", "quit"}));
}

}  // namespace
}  // namespace brimly
