#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "app/x11/X11Display.h"
#include "app/x11/XvfbTestSupport.h"

namespace brimly {
namespace {

void setDisplayVariable(const std::optional<std::string>& value) {
    if (value) {
        ::setenv("DISPLAY", value->c_str(), 1);
    } else {
        ::unsetenv("DISPLAY");
    }
}

TEST(X11DisplayTest, UsableOnlyWhenAServerAnswersAndOtherwiseSaysWhy) {
    testing::XvfbServer server;
    if (server.isMissing()) GTEST_SKIP() << server.problem();
    ASSERT_FALSE(server.display().empty()) << server.problem();
    const std::string live = server.display();
    const std::string nowhere = ":64999";
    const char* outer = std::getenv("DISPLAY");
    const std::optional<std::string> outerDisplay = outer ? std::optional<std::string>(outer) : std::nullopt;

    struct Case {
        std::string name;
        std::optional<std::string> displayVariable;
        bool usable;
        std::string why;
    };
    // clang-format off
    const Case cases[] = {
        {live,            std::nullopt, true,  ""},
        {"",              live,         true,  ""},
        {"",              std::nullopt, false, "DISPLAY is not set"},
        {"",              "",           false, "DISPLAY is not set"},
        {"",              nowhere,      false, "cannot connect to X display \":64999\" (no server, or access refused)"},
        {nowhere,         live,         false, "cannot connect to X display \":64999\" (no server, or access refused)"},
        {"not a display", std::nullopt, false, "X display \"not a display\" is not a valid display name"},
        {live + ".3",     std::nullopt, false, "X display \"" + live + ".3\" has no such screen"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE("name \"" + c.name + "\", DISPLAY " + c.displayVariable.value_or("unset"));
        setDisplayVariable(c.displayVariable);
        std::string why = "untouched";
        EXPECT_EQ(X11Display::usable(c.name, &why), c.usable);
        EXPECT_EQ(why, c.usable ? "untouched" : c.why);
        EXPECT_EQ(X11Display::usable(c.name, nullptr), c.usable);
    }
    setDisplayVariable(outerDisplay);
}

}  // namespace
}  // namespace brimly
