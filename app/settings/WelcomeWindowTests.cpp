#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "app/settings/SettingsTestSupport.h"
#include "app/settings/WelcomeWindow.h"
#include "app/settings/WindowState.h"
#include "app/x11/KeyMapping.h"
#include "core/base/AtomicFile.h"
#include "core/testsupport/TempDir.h"

namespace brimly {
namespace {

using testing::child;

TEST(WelcomeWindowTest, OffersAFolderUntilClaudeCodesIsFoundAndFollowsThePreferences) {
    testing::testApplication();
    testing::TempDir dir;
    AppSettings settings(dir / "preferences.json");
    std::string home = dir.makeDir("claude");
    dir.write("claude/projects/-work/s1.jsonl", "{}\n");
    int watchRequests = 0;
    SettingsContext context{
        .settings = settings,
        .env = {{"HOME", dir / "home"}},
        .chooseFolder = [&](QWidget*, const QString&, const QString&) { return std::optional(home); },
    };
    WelcomeWindow window(
        context, [] {}, [&] { ++watchRequests; });
    window.open();
    auto* choose = child<QPushButton>(window, "chooseFolder");
    EXPECT_TRUE(choose->isVisible());
    EXPECT_TRUE(child<QLabel>(window, "claudeFolder")->text().contains("not found"));
    choose->click();
    EXPECT_EQ(settings.prefs().claudeHome, home);
    EXPECT_FALSE(choose->isVisible());
    EXPECT_TRUE(child<QLabel>(window, "claudeFolder")->text().contains("was found"));

    child<QPushButton>(window, "watchFolder")->click();
    EXPECT_EQ(watchRequests, 1);
    child<QCheckBox>(window, "shareUsage")->click();
    EXPECT_TRUE(settings.prefs().shareUsage);

    auto* where = child<QLabel>(window, "where");
    EXPECT_TRUE(where->text().contains("top centre")) << where->text().toStdString();
    EXPECT_TRUE(where->text().contains("Ctrl+Alt+Space"));
    (void)settings.edit([](Preferences& p) {
        p.hotkeyModifiers = macCommand;
        p.displayStyle = DisplayStyleChoice::pill(PillSide::left);
    });
    EXPECT_TRUE(where->text().contains("left edge")) << where->text().toStdString();
    EXPECT_TRUE(where->text().contains("Super+Space"));
}

TEST(WindowStateTest, KeysAreAddedBesideThePreferencesAndADamagedFileIsLeftAlone) {
    testing::TempDir dir;
    struct Case {
        const char* before;  // nullptr: no file
        bool written;
    };
    // clang-format off
    const Case cases[] = {
        {nullptr,                   true},
        {R"({"retentionDays": 9})", true},
        {"{not json",               false},
        {"[1, 2]",                  false},
    };
    // clang-format on
    for (const auto& c : cases) {
        std::string path = dir / "config/brimly/preferences.json";
        std::remove(path.c_str());
        if (c.before) dir.write("config/brimly/preferences.json", c.before);
        EXPECT_EQ(!WindowState::set(path, "preferencesPane", "shelf"), c.written)
            << (c.before ? c.before : "none");
        EXPECT_EQ(WindowState::text(path, "preferencesPane"),
                  c.written ? std::optional<std::string>("shelf") : std::nullopt);
        if (c.before && c.written) {
            EXPECT_EQ(Preferences::loadFile(path).retentionDays, 9) << "the preferences beside it stay";
        }
        if (c.before && !c.written) {
            EXPECT_EQ(AtomicFile::read(path), std::string(c.before)) << "the damaged file stays as it was";
        }
    }
    EXPECT_FALSE(WindowState::flag(dir / "config/brimly/preferences.json", "welcomeShown"));
}

}  // namespace
}  // namespace brimly
