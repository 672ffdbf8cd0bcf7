#include <gtest/gtest.h>

#include "app/shell/AppSettings.h"
#include "core/base/AtomicFile.h"
#include "core/base/AtomicFileFaults.h"
#include "core/testsupport/TempDir.h"

namespace brimly {
using testing::TempDir;
namespace {

struct Recorded {
    std::vector<std::pair<Preferences, Preferences>> changes;
    void attach(AppSettings& settings) {
        settings.onChange(
            [this](const Preferences& now, const Preferences& before) { changes.emplace_back(now, before); });
    }
};

TEST(AppSettingsTest, AChangeIsSavedAndReportedOnceWithTheValueBefore) {
    TempDir dir;
    AppSettings settings(dir / "config/preferences.json");
    Recorded recorded;
    recorded.attach(settings);
    EXPECT_FALSE(settings.edit([](Preferences& p) { p.retentionDays = 7; }));
    EXPECT_FALSE(settings.edit([](Preferences& p) { p.retentionDays = 7; }));
    ASSERT_EQ(recorded.changes.size(), 1u);
    EXPECT_EQ(recorded.changes[0].first.retentionDays, 7);
    EXPECT_EQ(recorded.changes[0].second.retentionDays, 30);
    EXPECT_EQ(Preferences::loadFile(settings.path()).retentionDays, 7);
    // The program's own save, seen by the file watch, changes nothing.
    settings.reload();
    EXPECT_EQ(recorded.changes.size(), 1u);
}

TEST(AppSettingsTest, AHandEditIsPickedUpAndAnUnreadableOneKeepsTheFileAndFallsBackToDefaults) {
    TempDir dir;
    std::string path = dir.write("preferences.json", R"({"maxItems": 80, "watchedFolders": ["/w"]})");
    AppSettings settings(path);
    Recorded recorded;
    recorded.attach(settings);
    EXPECT_EQ(settings.prefs().maxItems, 80);

    dir.write("preferences.json", R"({"maxItems": 90, "watchedFolders": ["/w"], "quietMode": "yes"})");
    settings.reload();
    ASSERT_EQ(recorded.changes.size(), 1u);
    EXPECT_EQ(settings.prefs().maxItems, 90);
    EXPECT_FALSE(settings.prefs().quietMode);

    // Half-saved by an editor: read leniently as the defaults, and the user's file is not overwritten.
    dir.write("preferences.json", R"({"maxItems": 9)");
    settings.reload();
    EXPECT_EQ(settings.prefs().maxItems, 500);
    EXPECT_EQ(*AtomicFile::read(path), R"({"maxItems": 9)");
}

TEST(AppSettingsTest, AFailedSaveStillAppliesTheChoiceAndReportsTheError) {
    TempDir dir;
    AppSettings settings(dir / "preferences.json");
    Recorded recorded;
    recorded.attach(settings);
    AtomicFile::setFaultForTesting([](AtomicFile::Stage stage, const std::string&) {
        return stage == AtomicFile::Stage::write ? std::make_error_code(std::errc::no_space_on_device)
                                                 : std::error_code();
    });
    std::error_code error = settings.edit([](Preferences& p) { p.quietMode = true; });
    AtomicFile::setFaultForTesting(nullptr);
    EXPECT_EQ(error, std::errc::no_space_on_device);
    EXPECT_TRUE(settings.prefs().quietMode);
    EXPECT_EQ(recorded.changes.size(), 1u);
}

TEST(AppSettingsTest, AHandlerThatChangesThePreferencesLeavesLaterHandlersWithTheNewestValue) {
    TempDir dir;
    AppSettings settings(dir / "preferences.json");
    settings.onChange([&](const Preferences& now, const Preferences&) {
        if (now.launchAtLogin) (void)settings.edit([](Preferences& p) { p.launchAtLogin = false; });
    });
    std::vector<bool> seen;
    settings.onChange([&](const Preferences& now, const Preferences&) { seen.push_back(now.launchAtLogin); });
    (void)settings.edit([](Preferences& p) { p.launchAtLogin = true; });
    EXPECT_FALSE(settings.prefs().launchAtLogin);
    EXPECT_EQ(seen, (std::vector<bool>{false, false}));
}

TEST(AppSettingsTest, MessageObserversHearOnlyRealChanges) {
    TempDir dir;
    AppSettings settings(dir / "preferences.json");
    int told = 0;
    settings.observeMessages([&] { ++told; });
    settings.setHotkeyError("taken");
    settings.setHotkeyError("taken");
    settings.setHotkeyError(std::nullopt);
    EXPECT_EQ(told, 2);
}

}  // namespace
}  // namespace brimly
