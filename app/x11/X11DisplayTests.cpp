#include "app/x11/X11Display.h"
#include "app/x11/X11HotKey.h"
#include "app/x11/XvfbTestSupport.h"

namespace brimly {
namespace {

using X11DisplayTest = testing::XvfbTest;

// The hot key opens its connection on its own; it must say why just as the probe does.
TEST_F(X11DisplayTest, UsableOnlyWhenAServerAnswersAndOtherwiseSaysWhy) {
    const std::string live = m_server.display(), nowhere = ":64999";
    const char* outer = std::getenv("DISPLAY");
    const std::optional<std::string> outerDisplay = outer ? std::optional<std::string>(outer) : std::nullopt;
    const auto setDisplay = [](const std::optional<std::string>& value) {
        value ? ::setenv("DISPLAY", value->c_str(), 1) : ::unsetenv("DISPLAY");
    };
    struct Case {
        std::string name;
        std::optional<std::string> displayVariable;
        std::string why;  // empty when usable
    };
    // clang-format off
    const Case cases[] = {
        {live,            std::nullopt, ""},
        {"",              live,         ""},
        {"",              std::nullopt, "DISPLAY is not set"},
        {"",              "",           "DISPLAY is not set"},
        {"",              nowhere,      "cannot connect to X display \":64999\" (no server, or access refused)"},
        {nowhere,         live,         "cannot connect to X display \":64999\" (no server, or access refused)"},
        {"not a display", std::nullopt, "X display \"not a display\" is not a valid display name"},
        {live + ".3",     std::nullopt, "X display \"" + live + ".3\" has no such screen"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE("name \"" + c.name + "\", DISPLAY " + c.displayVariable.value_or("unset"));
        setDisplay(c.displayVariable);
        std::string why, hotKeyWhy;
        EXPECT_EQ(X11Display::usable(c.name, &why), c.why.empty());
        EXPECT_EQ(why, c.why);
        EXPECT_EQ(X11Display::usable(c.name, nullptr), c.why.empty());
        EXPECT_EQ(X11HotKey::open(c.name, &hotKeyWhy) != nullptr, c.why.empty());
        EXPECT_EQ(hotKeyWhy, c.why);
    }
    setDisplay(outerDisplay);
}

}  // namespace
}  // namespace brimly
