#include <gtest/gtest.h>

#include <QPushButton>
#include <QShortcut>
#include <QTest>
#include <optional>

#include "app/settings/SettingsTestSupport.h"
#include "app/settings/ShortcutRecorder.h"
#include "app/x11/KeyMapping.h"

namespace brimly {
namespace {

struct Recorded {
    long keyCode;
    long modifiers;
    bool operator==(const Recorded&) const = default;
};

std::optional<Recorded> record(ShortcutRecorder::Kind kind, Qt::Key key, Qt::KeyboardModifiers modifiers,
                               QString* message = nullptr) {
    testing::testApplication();
    ShortcutRecorder recorder(kind);
    recorder.setShortcut(49, macControl | macOption);
    std::optional<Recorded> recorded;
    recorder.setOnRecorded([&](long code, long mask) { recorded = Recorded{code, mask}; });
    QTest::mouseClick(recorder.button(), Qt::LeftButton);
    EXPECT_TRUE(recorder.isRecording());
    EXPECT_EQ(recorder.button()->text(), "Type shortcut…");
    QTest::keyClick(recorder.button(), key, modifiers);
    if (message) *message = recorder.message();
    return recorded;
}

TEST(ShortcutRecorderTest, StoresTheKeyCodeAndModifierMaskOrRefusesTheKey) {
    using Kind = ShortcutRecorder::Kind;
    using Qt::AltModifier, Qt::ControlModifier, Qt::MetaModifier, Qt::NoModifier, Qt::ShiftModifier;
    struct Case {
        Kind kind;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        std::optional<Recorded> expected;
    };
    // clang-format off
    const Case cases[] = {
        {Kind::globalShortcut, Qt::Key_K,      ControlModifier | AltModifier,   Recorded{40, macControl | macOption}},
        {Kind::globalShortcut, Qt::Key_A,      MetaModifier | ShiftModifier,    Recorded{0, macCommand | macShift}},
        {Kind::globalShortcut, Qt::Key_Space,  AltModifier,                     Recorded{49, macOption}},
        {Kind::globalShortcut, Qt::Key_F5,     ControlModifier,                 Recorded{96, macControl}},
        {Kind::globalShortcut, Qt::Key_Backtab, ControlModifier | ShiftModifier, Recorded{48, macControl | macShift}},
        {Kind::globalShortcut, Qt::Key_K,      NoModifier,                      std::nullopt},  // would take K from every program
        {Kind::globalShortcut, Qt::Key_Exclam, ControlModifier,                 std::nullopt},  // no stored code
        {Kind::globalShortcut, Qt::Key_F13,    ControlModifier,                 std::nullopt},
        {Kind::singleKey,      Qt::Key_B,      NoModifier,                      Recorded{11, 0}},
        {Kind::singleKey,      Qt::Key_B,      ControlModifier,                 Recorded{11, 0}},
        {Kind::singleKey,      Qt::Key_Space,  NoModifier,                      std::nullopt},  // the shelf's own key
        {Kind::singleKey,      Qt::Key_Left,   NoModifier,                      std::nullopt},
    };
    // clang-format on
    for (const auto& c : cases) {
        QString message;
        EXPECT_EQ(record(c.kind, c.key, c.modifiers, &message), c.expected) << c.key;
        if (!c.expected) {
            EXPECT_FALSE(message.isEmpty()) << "a refusal says why: " << c.key;
        }
    }
}

TEST(ShortcutRecorderTest, EscapeCancelsAndTheWindowsShortcutsAreRecordedNotRun) {
    testing::testApplication();
    ShortcutRecorder recorder(ShortcutRecorder::Kind::globalShortcut);
    recorder.setShortcut(49, macControl | macOption);
    int recorded = 0;
    recorder.setOnRecorded([&](long, long) { ++recorded; });
    recorder.startRecording();
    QTest::keyClick(recorder.button(), Qt::Key_Escape);
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_EQ(recorded, 0);
    EXPECT_EQ(recorder.button()->text(), "Ctrl+Alt+Space");

    // Ctrl+W closes the settings window everywhere else; while recording it is a shortcut like any other.
    QWidget window;
    auto* inWindow = new ShortcutRecorder(ShortcutRecorder::Kind::globalShortcut, &window);
    bool closed = false;
    auto* close = new QShortcut(QKeySequence("Ctrl+W"), &window);
    QObject::connect(close, &QShortcut::activated, [&] { closed = true; });
    window.show();
    inWindow->startRecording();
    inWindow->setOnRecorded([&](long code, long modifiers) {
        EXPECT_EQ(code, 13);
        EXPECT_EQ(modifiers, macControl);
    });
    QTest::keyClick(inWindow->button(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(closed);
    EXPECT_EQ(inWindow->button()->text(), "Ctrl+W");
}

TEST(ShortcutRecorderTest, ShowsTheRegistrationErrorElseADesktopConflict) {
    testing::testApplication();
    ShortcutRecorder recorder(ShortcutRecorder::Kind::globalShortcut);
    recorder.setShortcut(49, macOption);
    EXPECT_TRUE(recorder.message().startsWith("Alt+Space opens the window menu"));
    recorder.setError("Another app already uses this shortcut. Choose a different one.");
    EXPECT_EQ(recorder.message(), "Another app already uses this shortcut. Choose a different one.");
    recorder.setError(std::nullopt);
    recorder.setShortcut(49, macControl | macOption);
    EXPECT_EQ(recorder.message(), "");
}

}  // namespace
}  // namespace brimly
