#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <functional>

#include "app/settings/AppWindows.h"
#include "app/settings/SettingsTestSupport.h"
#include "app/settings/SettingsWindow.h"
#include "app/settings/ShortcutRecorder.h"
#include "app/settings/WholeNumberField.h"
#include "app/shell/LoginItem.h"
#include "app/x11/KeyMapping.h"
#include "core/testsupport/TempDir.h"

namespace brimly {
namespace {

using testing::child;

class SettingsWindowTest : public ::testing::Test {
protected:
    SettingsWindowTest() { testing::testApplication(); }

    std::unique_ptr<SettingsWindow> makeWindow(Environment env = {}, AboutInfo about = {}) {
        auto window = std::make_unique<SettingsWindow>(SettingsContext{
            .settings = settings,
            .env = std::move(env),
            .about = std::move(about),
            .chooseFolder = [this](QWidget*, const QString&,
                                   const QString& accept) -> std::optional<std::string> {
                acceptLabels.push_back(accept.toStdString());
                return chosen;
            },
        });
        window->show();
        return window;
    }

    // Selects the pane that holds `widget`, so that it is on screen as a user would meet it.
    static void reveal(SettingsWindow& window, QWidget& widget) {
        for (SettingsPane pane : SettingsPanes::allCases) {
            window.select(pane);
            if (widget.isVisible()) return;
        }
        FAIL() << widget.objectName().toStdString() << " is on no pane";
    }

    static void type(QLineEdit& edit, const QString& text) {
        edit.selectAll();
        QTest::keyClicks(&edit, text);
        QTest::keyClick(&edit, Qt::Key_Return);
    }

    testing::TempDir dir;
    AppSettings settings{dir / "config/brimly/preferences.json"};
    std::optional<std::string> chosen;
    std::vector<std::string> acceptLabels;
};

// A button's own click: the press lands on its box or text wherever the layout stretched it.
void click(QWidget& widget) { static_cast<QAbstractButton&>(widget).click(); }
void down(QWidget& widget) { QTest::keyClick(&widget, Qt::Key_Down); }
void up(QWidget& widget) { QTest::keyClick(&widget, Qt::Key_Up); }
void right(QWidget& widget) { QTest::keyClick(&widget, Qt::Key_Right); }
void stepUp(QWidget& widget) { click(*static_cast<WholeNumberField&>(widget).stepUpButton()); }
void stepDown(QWidget& widget) { click(*static_cast<WholeNumberField&>(widget).stepDownButton()); }
std::function<void(QWidget&)> typed(QString text) {
    return [text](QWidget& widget) {
        auto* edit = qobject_cast<QLineEdit*>(&widget);
        if (!edit) edit = static_cast<WholeNumberField&>(widget).lineEdit();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    };
}
std::function<void(QWidget&)> recorded(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    return [key, modifiers](QWidget& widget) {
        auto& recorder = static_cast<ShortcutRecorder&>(widget);
        click(*recorder.button());
        QTest::keyClick(recorder.button(), key, modifiers);
    };
}

TEST_F(SettingsWindowTest, EachControlEditsThePreferenceItNamesAndNothingElse) {
    settings.setDisplays({DisplayInfo{.id = "42", .name = "Built-in"}});
    struct Case {
        const char* control;
        std::function<void(QWidget&)> act;
        std::function<void(Preferences&)> expect;
    };
    using P = Preferences;
    // clang-format off
    const Case cases[] = {
        {"hoverEnabled",        click,                                      [](P& p) { p.hoverEnabled = false; }},
        {"hoverDwellMs",        right,                                      [](P& p) { p.hoverDwellMs = 140; }},
        {"hotkey",              recorded(Qt::Key_K, Qt::MetaModifier),      [](P& p) { p.hotkeyKeyCode = 40; p.hotkeyModifiers = macCommand; }},
        {"quietMode",           click,                                      [](P& p) { p.quietMode = true; }},
        {"showInMenuBar",       click,                                      [](P& p) { p.showInMenuBar = false; }},
        {"launchAtLogin",       click,                                      [](P& p) { p.launchAtLogin = true; }},
        {"displayStyle:42",     down,                                       [](P& p) { p.displayStyle = DisplayStyleChoice::pill(PillSide::bottom); }},
        {"pillPosition:42",     down,                                       [](P& p) { p.displayStyle = DisplayStyleChoice::pill(PillSide::right); }},
        {"displayStyle:42",     up,                                         [](P& p) { p.displayStyle = DisplayStyleChoice::notch(); }},
        {"layout",              down,                                       [](P& p) { p.layout = LayoutChoice::stacks; }},
        {"activeDisplayOnly",   click,                                      [](P& p) { p.activeDisplayOnly = true; }},
        {"arrivalSignal",       down,                                       [](P& p) { p.arrivalSignal = ArrivalSignal::count; }},
        {"glowStrength",        up,                                         [](P& p) { p.glowStrength = GlowStrength::subtle; }},
        {"glowPulses",          stepUp,                                     [](P& p) { p.glowPulses = 3; }},
        {"pillPreview",         click,                                      [](P& p) { p.pillPreview = false; }},
        {"pillPile",            down,                                       [](P& p) { p.pillPile = PeekPileStyle::count; }},
        {"compareVersions",     click,                                      [](P& p) { p.compareVersions = false; }},
        {"versionsShown",       stepDown,                                   [](P& p) { p.versionsShown = 3; }},
        {"compareKeyCode",      recorded(Qt::Key_C, Qt::NoModifier),        [](P& p) { p.compareKeyCode = 8; }},
        {"retentionDays",       typed("90"),                                [](P& p) { p.retentionDays = 90; }},
        {"retentionDays",       typed("abc"),                               [](P&) {}},
        {"retentionDays",       typed(" 400 "),                             [](P& p) { p.retentionDays = 365; }},
        {"maxItems",            typed("12 items"),                          [](P& p) { p.maxItems = 12; }},
        {"deleteOriginals",     click,                                      [](P& p) { p.deleteOriginals = true; }},
        {"fileTypes:pdf",       click,                                      [](P& p) { p.fileKinds.erase(ShelfItemKind::pdf); }},
        {"extraExtensions",     typed(".MD, txt;;log"),                     [](P& p) { p.extraExtensions = {"md", "txt", "log"}; }},
        {"outsideProjectOnly",  click,                                      [](P& p) { p.outsideProjectOnly = false; }},
        {"autoCheckUpdates",    click,                                      [](P& p) { p.autoCheckUpdates = true; }},
        {"shareUsage",          click,                                      [](P& p) { p.shareUsage = true; }},
    };
    // clang-format on
    auto window = makeWindow();
    for (const auto& c : cases) {
        auto* control = child<QWidget>(*window, c.control);
        ASSERT_NE(control, nullptr) << c.control;
        reveal(*window, *control);
        Preferences expected = settings.prefs();
        c.expect(expected);
        c.act(*control);
        EXPECT_EQ(settings.prefs().dictionary(), expected.dictionary()) << c.control;
        EXPECT_EQ(Preferences::loadFile(settings.path()).dictionary(), expected.dictionary())
            << c.control << " was not saved";
    }
    EXPECT_EQ(child<WholeNumberField>(*window, "retentionDays")->lineEdit()->text(), "365");
}

TEST_F(SettingsWindowTest, TypedLettersShowTheKeptValueAgain) {
    auto window = makeWindow();
    auto* field = child<WholeNumberField>(*window, "retentionDays");
    reveal(*window, *field);
    typed("abc")(*field);
    EXPECT_EQ(field->lineEdit()->text(), "30");
    EXPECT_EQ(settings.prefs().retentionDays, 30);
}

TEST_F(SettingsWindowTest, AnEnvironmentOverrideDisablesItsFieldWhileItApplies) {
    struct Case {
        const char* variable;
        const char* value;
        const char* control;
        bool applies;
    };
    // clang-format off
    const Case cases[] = {
        {"BRIMLY_RETENTION_DAYS", "7",   "retentionDays", true},
        {"BRIMLY_MAX_ITEMS",      "100", "maxItems",      true},
        {"BRIMLY_VERSIONS",       "0",   "versionsShown", true},   // switching versions off is the variable's own range
        {"BRIMLY_VERSIONS",       "12",  "versionsShown", false},  // out of range: the preference applies
        {"BRIMLY_RETENTION_DAYS", "  ",  "retentionDays", false},
    };
    // clang-format on
    for (const auto& c : cases) {
        auto window = makeWindow({{c.variable, c.value}});
        auto* field = child<WholeNumberField>(*window, c.control);
        auto* note = child<QLabel>(*window, std::string(c.control) + "Override");
        EXPECT_EQ(field->isEnabled(), !c.applies) << c.variable << "=" << c.value;
        ASSERT_EQ(note != nullptr, c.applies) << c.variable << "=" << c.value;
        if (note) {
            EXPECT_EQ(note->text().toStdString(),
                      std::string(c.variable) + " is set and applies while it is.");
        }
    }
}

TEST_F(SettingsWindowTest, AChosenFolderIsStoredAndAPlainOneDrawsTheNotice) {
    std::string home = dir.makeDir("claude");
    dir.write("claude/projects/-work/s1.jsonl", "{}\n");
    std::string plain = dir.makeDir("plain");
    struct Case {
        std::string picked;
        std::string stored;
        bool notice;
    };
    const Case cases[] = {
        {plain, plain, true},
        {home, home, false},
        {home + "/projects", home, false},
    };
    auto window = makeWindow();
    auto* use = child<QPushButton>(*window, "claudeHome:use");
    auto* notice = child<QLabel>(*window, "sessionsNotice");
    reveal(*window, *use);
    for (const auto& c : cases) {
        chosen = c.picked;
        click(*use);
        EXPECT_EQ(settings.prefs().claudeHome, c.stored) << c.picked;
        EXPECT_EQ(notice->isVisible(), c.notice) << c.picked;
        if (c.notice) {
            EXPECT_TRUE(notice->text().startsWith("Choose the folder Claude Code keeps its sessions in"));
        }
    }
    click(*child<QPushButton>(*window, "claudeHome:default"));
    EXPECT_EQ(settings.prefs().claudeHome, std::nullopt);

    chosen = dir / "missing";
    click(*child<QPushButton>(*window, "scratchRoot:use"));
    EXPECT_TRUE(child<QLabel>(*window, "scratchNotice")->isVisible());
    EXPECT_TRUE(child<QLabel>(*window, "scratchRoot")->text().endsWith("Not found"));
}

TEST_F(SettingsWindowTest, WatchedFoldersListTheirActivityAndAreAddedOnce) {
    auto window = makeWindow();
    auto* list = child<QListWidget>(*window, "watchedFolders");
    auto* add = child<QPushButton>(*window, "addFolder");
    reveal(*window, *add);
    EXPECT_TRUE(child<QLabel>(*window, "noWatchedFolders")->isVisible());
    std::string watched = dir.makeDir("shots");
    dir.write("shots/a.png", "x");
    chosen = watched;
    click(*add);
    click(*add);
    EXPECT_EQ(acceptLabels, (std::vector<std::string>{"Watch Folder", "Watch Folder"}));
    ASSERT_EQ(settings.prefs().watchedFolders, std::vector<std::string>{watched});
    ASSERT_EQ(list->count(), 1);
    EXPECT_TRUE(list->item(0)->text().contains("Watching · last activity "))
        << list->item(0)->text().toStdString();
    (void)settings.edit([&](Preferences& p) { p.watchedFolders.push_back(dir / "gone"); });
    ASSERT_EQ(list->count(), 2);
    EXPECT_TRUE(list->item(1)->text().endsWith("Not found"));
    list->setCurrentRow(0);
    click(*child<QPushButton>(*window, "removeFolder"));
    EXPECT_EQ(settings.prefs().watchedFolders, std::vector<std::string>{dir / "gone"});
}

TEST_F(SettingsWindowTest, TheSelectedPaneIsRestoredAndSurvivesSavingThePreferences) {
    makeWindow()->select(SettingsPane::folders);
    (void)settings.edit([](Preferences& p) { p.retentionDays = 9; });
    auto window = makeWindow();
    window->open();
    EXPECT_EQ(window->pane(), SettingsPane::folders);
    EXPECT_EQ(Preferences::loadFile(settings.path()).retentionDays, 9);
}

TEST_F(SettingsWindowTest, ARefusedLoginItemShowsTheDesktopsError) {
    // An autostart folder that cannot be made: a file stands where it would go.
    dir.write("config/autostart", "not a folder");
    std::string entry = dir / "config/autostart/brimly.desktop";
    settings.onChange([&](const Preferences& now, const Preferences& before) {
        if (now.launchAtLogin == before.launchAtLogin) return;
        std::error_code error = LoginItem::enable(entry, "/usr/bin/brimly");
        settings.setLaunchAtLoginError(
            error ? std::optional("The desktop did not allow it: " + error.message()) : std::nullopt);
    });
    auto window = makeWindow();
    auto* toggle = child<QCheckBox>(*window, "launchAtLogin");
    auto* error = child<QLabel>(*window, "launchAtLoginError");
    reveal(*window, *toggle);
    EXPECT_FALSE(error->isVisible());
    click(*toggle);
    EXPECT_TRUE(settings.prefs().launchAtLogin);
    EXPECT_TRUE(error->isVisible());
    EXPECT_TRUE(error->text().startsWith("The desktop did not allow it: ")) << error->text().toStdString();
}

TEST_F(SettingsWindowTest, AboutLeavesOutWhatTheBuildDoesNotHave) {
    auto bare = makeWindow({}, AboutInfo{.version = "1.0"});
    EXPECT_EQ(child<QPushButton>(*bare, "checkForUpdates"), nullptr);
    EXPECT_EQ(child<QLabel>(*bare, "aboutNotice"), nullptr);
    EXPECT_EQ(child<QLabel>(*bare, "sidebarVersion")->text(), "Version 1.0");
    for (const QLabel* label : bare->findChildren<QLabel*>()) EXPECT_FALSE(label->text().contains("href"));

    auto full = makeWindow({}, AboutInfo{.version = "1.0", .feedbackAddress = "shelf@example.com"});
    bool mailto = false;
    for (const QLabel* label : full->findChildren<QLabel*>())
        mailto |= label->text().contains("mailto:shelf@example.com");
    EXPECT_TRUE(mailto);
}

TEST_F(SettingsWindowTest, TheWelcomeWindowShowsOnTheFirstStartOnly) {
    {
        AppWindows first(settings, {}, {});
        first.started();
        EXPECT_TRUE(first.isWelcomeVisible());
        EXPECT_FALSE(first.isSettingsVisible());
    }
    AppWindows second(settings, {}, {});
    second.started();
    EXPECT_FALSE(second.isWelcomeVisible());
    second.showSettings();
    EXPECT_TRUE(second.isSettingsVisible());
}

TEST_F(SettingsWindowTest, TheWindowFollowsChangesMadeElsewhere) {
    auto window = makeWindow();
    auto* hover = child<QCheckBox>(*window, "hoverEnabled");
    auto* recorder = child<ShortcutRecorder>(*window, "hotkey");
    EXPECT_TRUE(hover->isChecked());
    dir.write("config/brimly/preferences.json", R"({"hoverEnabled": false})");
    settings.reload();
    EXPECT_FALSE(hover->isChecked()) << "a hand edit of the file";
    settings.setHotkeyError("Another app already uses this shortcut. Choose a different one.");
    EXPECT_EQ(recorder->message(), "Another app already uses this shortcut. Choose a different one.");

    EXPECT_NE(child<QLabel>(*window, "noDisplays"), nullptr);
    settings.setDisplays({DisplayInfo{.id = "1", .name = "Left"}, DisplayInfo{.id = "2", .name = "Right"}});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(child<QLabel>(*window, "noDisplays"), nullptr);
    auto* second = child<QComboBox>(*window, "displayStyle:2");
    ASSERT_NE(second, nullptr);
    (void)settings.edit([](Preferences& p) { p.displayStyle = DisplayStyleChoice::pill(PillSide::right); });
    EXPECT_EQ(second->currentText(), "Pill");
    EXPECT_EQ(child<QComboBox>(*window, "pillPosition:1")->currentText(), "Right");
}

}  // namespace
}  // namespace brimly
