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
    std::string text = AtomicFile::read(path).value_or("");
    auto start = text.find("\nExec=");
    if (start == std::string::npos) return "";
    start += 6;
    return text.substr(start, text.find('\n', start) - start);
}

TEST(LoginItemTest, PathFollowsTheConfigFolder) {
    EXPECT_EQ(LoginItem::path({{"XDG_CONFIG_HOME", "/cfg"}, {"HOME", "/home/u"}}),
              "/cfg/autostart/brimly.desktop");
    EXPECT_EQ(LoginItem::path({{"HOME", "/home/u"}}), "/home/u/.config/autostart/brimly.desktop");
    EXPECT_EQ(LoginItem::path({{"XDG_CONFIG_HOME", "cfg"}, {"HOME", "/home/u"}}),
              "/home/u/.config/autostart/brimly.desktop");
}

TEST(LoginItemTest, EnableThenDisableRoundTrip) {
    testing::TempDir dir;
    std::string path = LoginItem::path({{"XDG_CONFIG_HOME", dir / "new/config"}});
    EXPECT_FALSE(LoginItem::isEnabled(path));
    ASSERT_FALSE(LoginItem::enable(path, "/usr/bin/brimly"));
    EXPECT_TRUE(LoginItem::isEnabled(path));
    EXPECT_EQ(execLine(path), "/usr/bin/brimly");
    EXPECT_FALSE(LoginItem::disable(path));
    EXPECT_FALSE(FileSystem::exists(path));
    EXPECT_FALSE(LoginItem::isEnabled(path));
    EXPECT_FALSE(LoginItem::disable(path)) << "already gone is success";
}

TEST(LoginItemTest, TheDesktopsOwnSwitchesReadAsDisabled) {
    struct Case {
        const char* content;
        bool enabled;
    };
    // clang-format off
    const Case cases[] = {
        {"[Desktop Entry]\nType=Application\nExec=brimly\n",                          true},
        {"[Desktop Entry]\nExec=brimly\nHidden=true\n",                               false},
        {"[Desktop Entry]\nExec=brimly\nHidden = true\r\n",                           false},
        {"[Desktop Entry]\nExec=brimly\nHidden=false\n",                              true},
        {"[Desktop Entry]\nExec=brimly\nX-GNOME-Autostart-enabled=false\n",           false},
        {"[Desktop Entry]\nExec=brimly\nX-GNOME-Autostart-enabled=true\n",            true},
        {"# Hidden=true\n[Desktop Entry]\nExec=brimly\n",                             true},
        {"[Desktop Entry]\nExec=brimly\n[Desktop Action quit]\nHidden=true\n",        true},
        {"Exec=brimly\n",                                                             false},  // no entry group
        {"",                                                                          false},
    };
    // clang-format on
    testing::TempDir dir;
    for (const auto& c : cases) {
        EXPECT_EQ(LoginItem::isEnabled(dir.write("brimly.desktop", c.content)), c.enabled) << c.content;
    }
    EXPECT_FALSE(LoginItem::isEnabled(dir.makeDir("folder.desktop")));

    // Switching it on again from Brimly overrides the desktop's switch.
    std::string hidden = dir.write("autostart/brimly.desktop", "[Desktop Entry]\nExec=brimly\nHidden=true\n");
    ASSERT_FALSE(LoginItem::enable(hidden, "/usr/bin/brimly"));
    EXPECT_TRUE(LoginItem::isEnabled(hidden));
}

TEST(LoginItemTest, ExecQuotesTheProgramAsDesktopEntriesRequire) {
    struct Case {
        const char* executable;
        const char* exec;  // as written in the file; nullptr when refused
    };
    // clang-format off
    const Case cases[] = {
        {"/usr/bin/brimly",             "/usr/bin/brimly"},
        {"/opt/My Apps/brimly",         "\"/opt/My Apps/brimly\""},
        {"/opt/100%/brimly",            "/opt/100%%/brimly"},
        {"/opt/a b%/x",                 "\"/opt/a b%%/x\""},
        {"/opt/$HOME/x",                "\"/opt/\\\\$HOME/x\""},     // \$ in quotes, the backslash escaped again
        {"/opt/back\\slash",            "\"/opt/back\\\\\\\\slash\""},
        {"/opt/it's",                   "\"/opt/it's\""},
        {"brimly",                      nullptr},                      // not absolute
        {"/opt/line\nbreak",            nullptr},
        {"/opt/\xff",                   nullptr},                      // not UTF-8
    };
    // clang-format on
    testing::TempDir dir;
    for (const auto& c : cases) {
        std::string path = dir / "autostart/brimly.desktop";
        std::error_code error = LoginItem::enable(path, c.executable);
        if (c.exec == nullptr) {
            EXPECT_EQ(error, std::errc::invalid_argument) << c.executable;
            EXPECT_FALSE(FileSystem::exists(path)) << c.executable;
        } else {
            EXPECT_FALSE(error) << c.executable << ": " << error.message();
            EXPECT_EQ(execLine(path), c.exec) << c.executable;
        }
        (void)LoginItem::disable(path);
    }
}

TEST(LoginItemTest, FailuresCarryTheSystemsErrorAndKeepTheOldEntry) {
    testing::TempDir dir;
    std::string path = dir / "autostart/brimly.desktop";
    ASSERT_FALSE(LoginItem::enable(path, "/usr/bin/brimly"));
    std::string before = AtomicFile::read(path).value_or("");

    AtomicFile::setFaultForTesting([&](AtomicFile::Stage stage, const std::string& target) {
        return stage == AtomicFile::Stage::write && target == path
                   ? std::make_error_code(std::errc::no_space_on_device)
                   : std::error_code();
    });
    std::error_code error = LoginItem::enable(path, "/opt/other/brimly");
    AtomicFile::setFaultForTesting(nullptr);
    EXPECT_EQ(error, std::errc::no_space_on_device);
    EXPECT_FALSE(error.message().empty());
    EXPECT_EQ(AtomicFile::read(path), before);
    EXPECT_EQ(FileSystem::list(dir / "autostart")->size(), 1u) << "no temporary file left";

    // Real refusals: the config folder is a file, and the entry is a folder with something in it.
    std::string blocked = dir.write("file", "x") + "/autostart/brimly.desktop";
    EXPECT_EQ(LoginItem::enable(blocked, "/usr/bin/brimly"), std::errc::not_a_directory);
    dir.write("entry/brimly.desktop/inside", "x");
    EXPECT_TRUE(LoginItem::disable(dir / "entry/brimly.desktop"));
}

}  // namespace
}  // namespace brimly
