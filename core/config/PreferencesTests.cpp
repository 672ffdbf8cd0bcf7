#include <gtest/gtest.h>

#include <string>

#include "core/base/AtomicFile.h"
#include "core/base/AtomicFileFaults.h"
#include "core/config/EngineConfig.h"
#include "core/config/Preferences.h"
#include "core/testsupport/TempDir.h"

namespace brimly {
namespace {

using testing::TempDir;

Json fileJson(const std::string& path) {
    return JsonIO::parse(AtomicFile::read(path).value_or("")).value_or(Json());
}

TEST(PreferencesTest, LoadTakesOnlyAcceptableValues) {
    // file text, field, value loaded
    const std::tuple<const char*, long Preferences::*, long> cases[] = {
        {R"({"hoverDwellMs": 30})", &Preferences::hoverDwellMs, 120},
        {R"({"hoverDwellMs": 600})", &Preferences::hoverDwellMs, 600},
        {R"({"hoverDwellMs": 60.0})", &Preferences::hoverDwellMs, 120},
        {R"({"maxItems": 5001})", &Preferences::maxItems, 500},
        {R"({"maxItems": 5000})", &Preferences::maxItems, 5000},
        {R"({"retentionDays": "30"})", &Preferences::retentionDays, 30},
        {R"({"retentionDays": 365})", &Preferences::retentionDays, 365},
        {R"({"retentionDays": 0})", &Preferences::retentionDays, 30},
        {R"({"compareKeyCode": 49})", &Preferences::compareKeyCode, 9},
        {R"({"compareKeyCode": 128})", &Preferences::compareKeyCode, 9},
        {R"({"compareKeyCode": 12})", &Preferences::compareKeyCode, 12},
        {R"({"compareKeyCode": -1})", &Preferences::compareKeyCode, 9},
        {R"({"versionsShown": 1})", &Preferences::versionsShown, 4},
        {R"({"versionsShown": 9})", &Preferences::versionsShown, 9},
        {R"({"glowPulses": 3})", &Preferences::glowPulses, 3},
        {R"({"glowPulses": 4})", &Preferences::glowPulses, 2},
        {R"({"hotkeyKeyCode": 127})", &Preferences::hotkeyKeyCode, 127},
        {R"({"hotkeyKeyCode": true})", &Preferences::hotkeyKeyCode, 49},
        {R"({"hotkeyModifiers": -5})", &Preferences::hotkeyModifiers, -5},
        {R"({"hotkeyModifiers": 18446744073709551615})", &Preferences::hotkeyModifiers, 6144},
    };
    for (const auto& [json, field, expected] : cases)
        EXPECT_EQ(Preferences::load(std::string_view(json)).*field, expected) << json;
}

TEST(PreferencesTest, LoadsEnumsBoolsListsAndOptionals) {
    auto prefs = Preferences::load(std::string_view(R"({
        "layout": "stacks", "arrivalSignal": "count", "glowStrength": "loud", "pillPile": "stack",
        "hoverEnabled": 0, "quietMode": true, "fileTypes": ["image", "movie", 3],
        "extraExtensions": [".MD, txt", "log", "md", 7], "watchedFolders": ["~/shots", 1],
        "claudeHome": "", "scratchRoot": "/s", "railSidebar": 212.5})"));
    EXPECT_EQ(prefs.layout, LayoutChoice::stacks);
    EXPECT_EQ(prefs.arrivalSignal, ArrivalSignal::count);
    EXPECT_EQ(prefs.glowStrength, GlowStrength::balanced);
    EXPECT_EQ(prefs.pillPile, PeekPileStyle::stack);
    EXPECT_TRUE(prefs.hoverEnabled);
    EXPECT_TRUE(prefs.quietMode);
    EXPECT_EQ(prefs.fileKinds, (std::set<ShelfItemKind>{ShelfItemKind::image}));
    EXPECT_EQ(prefs.extraExtensions, (std::vector<std::string>{"md", "txt", "log"}));
    EXPECT_EQ(prefs.watchedFolders, (std::vector<std::string>{"~/shots"}));
    EXPECT_FALSE(prefs.claudeHome);
    EXPECT_EQ(prefs.scratchRoot, "/s");
    EXPECT_EQ(prefs.railSidebar, 212.5);

    EXPECT_EQ(Preferences::load(std::string_view("[1,2]")), Preferences());
    EXPECT_EQ(Preferences::load(std::string_view("{not json")), Preferences());
    EXPECT_EQ(Preferences::load(std::string_view(R"({"fileTypes": "image"})")).fileKinds,
              ShelfItemKinds::shownByDefault());
}

TEST(PreferencesTest, DictionaryRoundTripsEveryField) {
    Preferences prefs;
    prefs.layout = LayoutChoice::stacks;
    prefs.hotkeyKeyCode = 7;
    prefs.hotkeyModifiers = 256 | 512;
    prefs.hoverDwellMs = 333;
    prefs.compareVersions = false;
    prefs.compareKeyCode = 12;
    prefs.glowStrength = GlowStrength::strong;
    prefs.displayStyle = DisplayStyleChoice::pill(PillSide::right);
    prefs.fileKinds = {ShelfItemKind::pdf, ShelfItemKind::video};
    prefs.extraExtensions = {"md", "txt"};
    prefs.watchedFolders = {"/a", "/b"};
    prefs.shareUsage = true;
    prefs.claudeHome = "/c";
    prefs.railSidebar = 180;
    Json dictionary = prefs.dictionary();
    EXPECT_EQ(Preferences::load(dictionary), prefs);
    EXPECT_EQ(dictionary["fileTypes"], Json::array({"pdf", "video"}));
    EXPECT_TRUE(dictionary["hoverDwellMs"].is_number_integer());
    EXPECT_EQ(dictionary["displayStyle"], "pill-right");
    EXPECT_FALSE(Preferences().dictionary().contains("claudeHome"));
    EXPECT_FALSE(Preferences().dictionary().contains("fileKinds"));
    EXPECT_EQ(Preferences::load(Preferences().dictionary()), Preferences());
}

TEST(PreferencesTest, DisplayStyleAndItsRetiredPredecessor) {
    const std::pair<const char*, DisplayStyleChoice> cases[] = {
        {R"({"displayStyle": "pill-left"})", DisplayStyleChoice::pill(PillSide::left)},
        {R"({"displayStyle": "pill-top", "displayStyles": {"1": "pill-right"}})",
         DisplayStyleChoice::notch()},
        {R"({"displayStyle": 3, "displayStyles": {"1": "notch", "2": "dock"}})",
         DisplayStyleChoice::pill(PillSide::bottom)},
        {R"({"displayStyles": {"1": "pill-right", "2": 5}})", DisplayStyleChoice::pill(PillSide::right)},
        {R"({"displayStyles": ["pill-right"]})", DisplayStyleChoice::notch()},
    };
    for (const auto& [json, expected] : cases)
        EXPECT_EQ(Preferences::load(std::string_view(json)).displayStyle, expected) << json;
    Preferences pill;
    pill.displayStyle = DisplayStyleChoice::pill(PillSide::left);
    pill.arrivalSignal = ArrivalSignal::count;
    EXPECT_EQ(pill.effectiveSignal(), ArrivalSignal::glow);
    pill.displayStyle = DisplayStyleChoice::notch();
    EXPECT_EQ(pill.effectiveSignal(), ArrivalSignal::count);
}

TEST(PreferencesTest, ParsesExtensionsAndTypedNumbers) {
    EXPECT_EQ(Preferences::parseExtensions(".MD, txt;;log"), (std::vector<std::string>{"md", "txt", "log"}));
    EXPECT_EQ(Preferences::parseExtensions("..tar.gz.. a/b ../x c\td\ne MD md"),
              (std::vector<std::string>{"c", "d", "e", "md"}));
    EXPECT_TRUE(Preferences::parseExtensions(" ,;. ").empty());

    const ClosedRange range{1, 365};
    const std::pair<const char*, long> cases[] = {
        {"  ", 30},
        {"abc", 30},
        {"+5", 30},
        {"12", 12},
        {" 12 ", 12},
        {"12abc", 12},
        {"0", 1},
        {"-4", 1},
        {"400", 365},
        {"99999999999999999999", 365},
        {"-99999999999999999999", 1},
    };
    for (const auto& [typed, expected] : cases)
        EXPECT_EQ(Preferences::whole(typed, 30, range), expected) << typed;
}

TEST(PreferencesTest, FileSavesAtomicallyKeepsOtherKeysAndDropsRetiredOnes) {
    TempDir dir;
    std::string path = dir / "config/brimly/preferences.json";
    EXPECT_EQ(Preferences::loadFile(path), Preferences());

    dir.write("config/brimly/preferences.json",
              R"({"displayStyles": {"7": "pill-left"}, "maxItems": 42, "updateReminder": 5})");
    Preferences loaded = Preferences::loadFile(path);
    EXPECT_EQ(loaded.maxItems, 42);
    EXPECT_EQ(loaded.displayStyle, DisplayStyleChoice::pill(PillSide::left));
    EXPECT_TRUE(fileJson(path).contains("displayStyles"));
    ASSERT_FALSE(Preferences::retireKeys(path));
    EXPECT_FALSE(fileJson(path).contains("displayStyles"));
    EXPECT_EQ(fileJson(path)["displayStyle"], "pill-left");
    EXPECT_EQ(Preferences::loadFile(path), loaded);

    loaded.claudeHome.reset();
    loaded.quietMode = true;
    ASSERT_FALSE(loaded.save(path));
    EXPECT_EQ(fileJson(path)["updateReminder"], 5);
    EXPECT_EQ(Preferences::loadFile(path), loaded);

    AtomicFile::setFaultForTesting([](AtomicFile::Stage stage, const std::string&) {
        return stage == AtomicFile::Stage::rename ? std::make_error_code(std::errc::no_space_on_device)
                                                  : std::error_code();
    });
    Preferences changed = loaded;
    changed.maxItems = 7;
    EXPECT_TRUE(changed.save(path));
    AtomicFile::setFaultForTesting(nullptr);
    EXPECT_EQ(Preferences::loadFile(path), loaded);

    EXPECT_EQ(Preferences::filePath({{"XDG_CONFIG_HOME", "/x/cfg"}, {"HOME", "/h"}}),
              "/x/cfg/brimly/preferences.json");
    EXPECT_EQ(Preferences::filePath({{"XDG_CONFIG_HOME", "rel"}, {"HOME", "/h"}}),
              "/h/.config/brimly/preferences.json");
}

TEST(EngineConfigTest, EnvironmentOverridesInRangeOnly) {
    Preferences prefs;
    prefs.retentionDays = 10;
    prefs.maxItems = 300;
    prefs.extraExtensions = {"md", "txt"};
    prefs.watchedFolders = {"~/w"};
    prefs.outsideProjectOnly = false;
    // The reader's own parsing rules are the environment readers'; here each variable reaches its field.
    // environment, compare versions, retention, max items, versions shown
    const std::tuple<Environment, bool, long, long, long> cases[] = {
        {{}, true, 10, 300, 4},
        {{}, false, 10, 300, 0},
        {{{"BRIMLY_VERSIONS", "0"}}, true, 10, 300, 0},
        {{{"BRIMLY_VERSIONS", "12"}}, true, 10, 300, 4},
        {{{"BRIMLY_VERSIONS", "+3"}}, false, 10, 300, 3},
        {{{"BRIMLY_MAX_ITEMS", " 42 "}, {"BRIMLY_RETENTION_DAYS", "365"}}, true, 365, 42, 4},
        {{{"BRIMLY_MAX_ITEMS", "9000"}, {"BRIMLY_RETENTION_DAYS", "0"}}, true, 10, 300, 4},
    };
    for (auto [env, compareVersions, retention, maxItems, versions] : cases) {
        prefs.compareVersions = compareVersions;
        env["HOME"] = "/home/someone";
        EngineConfig config = EngineConfig::make(prefs, env);
        EXPECT_EQ(std::tuple(config.retentionDays, config.maxItems, config.versionsShown),
                  std::tuple(retention, maxItems, versions));
    }
    EngineConfig config =
        EngineConfig::make(prefs, {{"HOME", "/home/someone"}, {"BRIMLY_IGNORE_GLOBS", "*.tmp, */cache/*"}});
    EXPECT_EQ(config.ignoreGlobs, (std::vector<std::string>{"*.tmp", "*/cache/*"}));
    EXPECT_EQ(config.extraExtensions, (std::set<std::string>{"md", "txt"}));
    EXPECT_EQ(config.watchedFolders, prefs.watchedFolders);
    EXPECT_FALSE(config.outsideProjectOnly);
}

}  // namespace
}  // namespace brimly
