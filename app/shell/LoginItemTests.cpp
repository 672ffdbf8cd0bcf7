#include <gtest/gtest.h>

#include <string>

#include "app/shell/LoginItem.h"
#include "core/base/AtomicFile.h"
#include "core/base/AtomicFileFaults.h"
#include "core/platform/FileSystem.h"
#include "core/testsupport/TempDir.h"

namespace brimly {
namespace {

std::string execLine(const std::string& path) {
    const std::string text = AtomicFile::read(path).value_or("");
    const auto at = text.find("\nExec=");
    return at == std::string::npos ? "" : text.substr(at + 6, text.find('\n', at + 6) - at - 6);
}

TEST(LoginItemTest, EnableThenDisableRoundTripsInTheConfigFolder) {
    EXPECT_EQ(LoginItem::path({{"XDG_CONFIG_HOME", "/cfg"}, {"HOME", "/u"}}),
              "/cfg/autostart/brimly.desktop");
    EXPECT_EQ(LoginItem::path({{"HOME", "/u"}}), "/u/.config/autostart/brimly.desktop");
    EXPECT_EQ(LoginItem::path({{"XDG_CONFIG_HOME", "cfg"}, {"HOME", "/u"}}),
              "/u/.config/autostart/brimly.desktop");
    testing::TempDir dir;
    const std::string path = LoginItem::path({{"XDG_CONFIG_HOME", dir / "new/config"}});
    EXPECT_FALSE(LoginItem::isEnabled(path));
    ASSERT_FALSE(LoginItem::enable(path, "/usr/bin/brimly"));
    EXPECT_TRUE(LoginItem::isEnabled(path));
    EXPECT_EQ(execLine(path), "/usr/bin/brimly");
    EXPECT_FALSE(LoginItem::disable(path));
    EXPECT_FALSE(FileSystem::exists(path));
    EXPECT_FALSE(LoginItem::disable(path)) << "already gone is success";
}

TEST(LoginItemTest, TheDesktopsOwnSwitchesReadAsDisabledUntilBrimlyEnablesItAgain) {
    // clang-format off
    const std::pair<const char*, bool> cases[] = {
        {"[Desktop Entry]\nType=Application\nExec=brimly\n",                   true},
        {"[Desktop Entry]\nExec=brimly\nHidden=true\n",                        false},
        {"[Desktop Entry]\nExec=brimly\nHidden = true\r\n",                    false},
        {"[Desktop Entry]\nExec=brimly\nHidden=false\n",                       true},
        {"[Desktop Entry]\nExec=brimly\nX-GNOME-Autostart-enabled=false\n",    false},
        {"[Desktop Entry]\nExec=brimly\nX-GNOME-Autostart-enabled=true\n",     true},
        {"# Hidden=true\n[Desktop Entry]\nExec=brimly\n",                      true},
        {"[Desktop Entry]\nExec=brimly\n[Desktop Action quit]\nHidden=true\n", true},
        {"Exec=brimly\n",                                                      false},  // no entry group
        {"",                                                                   false},
    };
    // clang-format on
    testing::TempDir dir;
    for (const auto& [content, enabled] : cases) {
        EXPECT_EQ(LoginItem::isEnabled(dir.write("brimly.desktop", content)), enabled) << content;
    }
    EXPECT_FALSE(LoginItem::isEnabled(dir.makeDir("folder.desktop")));
    const std::string hidden =
        dir.write("autostart/brimly.desktop", "[Desktop Entry]\nExec=brimly\nHidden=true\n");
    ASSERT_FALSE(LoginItem::enable(hidden, "/usr/bin/brimly"));
    EXPECT_TRUE(LoginItem::isEnabled(hidden));
}

TEST(LoginItemTest, ExecQuotesTheProgramAsDesktopEntriesRequire) {
    // clang-format off
    const std::pair<const char*, const char*> cases[] = {  // the program, its Exec value; none when refused
        {"/usr/bin/brimly",     "/usr/bin/brimly"},
        {"/opt/My Apps/brimly", "\"/opt/My Apps/brimly\""},
        {"/opt/100%/brimly",    "/opt/100%%/brimly"},
        {"/opt/a b%/x",         "\"/opt/a b%%/x\""},
        {"/opt/$HOME/x",        "\"/opt/\\\\$HOME/x\""},  // \$ in quotes, the backslash escaped again
        {"/opt/back\\slash",    "\"/opt/back\\\\\\\\slash\""},
        {"/opt/it's",           "\"/opt/it's\""},
        {"brimly",              nullptr},  // not absolute
        {"/opt/line\nbreak",    nullptr},
        {"/opt/\xff",           nullptr},  // not UTF-8
    };
    // clang-format on
    testing::TempDir dir;
    const std::string path = dir / "autostart/brimly.desktop";
    for (const auto& [executable, exec] : cases) {
        const std::error_code error = LoginItem::enable(path, executable);
        EXPECT_EQ(error, exec ? std::error_code() : std::make_error_code(std::errc::invalid_argument))
            << executable;
        EXPECT_EQ(execLine(path), exec ? exec : "") << executable;
        (void)LoginItem::disable(path);
    }
}

TEST(LoginItemTest, FailuresCarryTheSystemsErrorAndKeepTheOldEntry) {
    testing::TempDir dir;
    const std::string path = dir / "autostart/brimly.desktop";
    ASSERT_FALSE(LoginItem::enable(path, "/usr/bin/brimly"));
    const auto before = AtomicFile::read(path);
    AtomicFile::setFaultForTesting([&](AtomicFile::Stage stage, const std::string& target) {
        return stage == AtomicFile::Stage::write && target == path
                   ? std::make_error_code(std::errc::no_space_on_device)
                   : std::error_code();
    });
    const std::error_code error = LoginItem::enable(path, "/opt/other/brimly");
    AtomicFile::setFaultForTesting(nullptr);
    EXPECT_EQ(error, std::errc::no_space_on_device);
    EXPECT_EQ(AtomicFile::read(path), before);
    EXPECT_EQ(FileSystem::list(dir / "autostart")->size(), 1u) << "no temporary file left";
    // Real refusals: the config folder is a file, and the entry is a folder with something in it.
    EXPECT_EQ(LoginItem::enable(dir.write("file", "x") + "/autostart/brimly.desktop", "/usr/bin/brimly"),
              std::errc::not_a_directory);
    dir.write("entry/brimly.desktop/inside", "x");
    EXPECT_TRUE(LoginItem::disable(dir / "entry/brimly.desktop"));
}

}  // namespace
}  // namespace brimly
