#include "app/settings/ShortcutRecorder.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/x11/KeyMapping.h"
#include "core/config/Preferences.h"

namespace brimly {

namespace {

constexpr long spaceKey = 49;

struct SpecialKey {
    int qtKey;
    std::uint32_t keysym;
};

// clang-format off
constexpr SpecialKey specialKeys[] = {
    {Qt::Key_Return, 0xff0d},   {Qt::Key_Enter, 0xff0d},     {Qt::Key_Tab, 0xff09},    {Qt::Key_Backtab, 0xff09},
    {Qt::Key_Backspace, 0xff08}, {Qt::Key_Escape, 0xff1b},   {Qt::Key_Delete, 0xffff}, {Qt::Key_Home, 0xff50},
    {Qt::Key_End, 0xff57},      {Qt::Key_PageUp, 0xff55},    {Qt::Key_PageDown, 0xff56},
    {Qt::Key_Left, 0xff51},     {Qt::Key_Up, 0xff52},        {Qt::Key_Right, 0xff53},  {Qt::Key_Down, 0xff54},
};
// clang-format on

long storedModifiers(Qt::KeyboardModifiers modifiers) {
    long mask = 0;
    if (modifiers & Qt::MetaModifier) mask |= macCommand;
    if (modifiers & Qt::ControlModifier) mask |= macControl;
    if (modifiers & Qt::AltModifier) mask |= macOption;
    if (modifiers & Qt::ShiftModifier) mask |= macShift;
    return mask;
}

bool isModifierKey(int key) {
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ||
           key == Qt::Key_Super_L || key == Qt::Key_Super_R || key == Qt::Key_AltGr ||
           key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_Hyper_L ||
           key == Qt::Key_Hyper_R;
}

}  // namespace

ShortcutRecorder::ShortcutRecorder(Kind kind, QWidget* parent)
    : QWidget(parent), m_kind(kind), m_button(new QPushButton(this)), m_message(new QLabel(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    m_button->setMinimumWidth(150);
    m_button->setFocusPolicy(Qt::StrongFocus);
    m_message->setWordWrap(true);
    m_message->setObjectName("shortcutMessage");
    QPalette palette = m_message->palette();
    palette.setColor(QPalette::WindowText, QColor(0xc0, 0x3a, 0x2b));
    m_message->setPalette(palette);
    layout->addWidget(m_button, 0, Qt::AlignRight);
    layout->addWidget(m_message);
    m_button->installEventFilter(this);
    connect(m_button, &QPushButton::clicked, this, [this] {
        if (m_recording) {
            stopRecording();
        } else {
            startRecording();
        }
    });
    setShortcut(0, 0);
}

void ShortcutRecorder::setShortcut(long keyCode, long modifiers) {
    m_keyCode = keyCode;
    m_modifiers = modifiers;
    if (!m_recording) m_button->setText(QString::fromStdString(describeShortcut(keyCode, modifiers)));
    showMessage();
}

void ShortcutRecorder::setError(const std::optional<std::string>& error) {
    m_error = error;
    showMessage();
}

void ShortcutRecorder::startRecording() {
    m_recording = true;
    m_refusal.clear();
    m_button->setText("Type shortcut…");
    m_button->setFocus(Qt::OtherFocusReason);
    showMessage();
}

void ShortcutRecorder::stopRecording() {
    m_recording = false;
    m_button->setText(QString::fromStdString(describeShortcut(m_keyCode, m_modifiers)));
    showMessage();
}

QString ShortcutRecorder::message() const { return m_message->isHidden() ? QString() : m_message->text(); }

void ShortcutRecorder::showMessage() {
    QString text = m_refusal;
    if (text.isEmpty() && m_error) text = QString::fromStdString(*m_error);
    if (text.isEmpty() && m_kind == Kind::globalShortcut) {
        if (auto note = conflictNote(m_keyCode, m_modifiers)) text = QString::fromStdString(*note);
    }
    m_message->setText(text);
    m_message->setVisible(!text.isEmpty());
}

bool ShortcutRecorder::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_button || !m_recording) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::ShortcutOverride:
            // While recording, the window's own shortcuts (Ctrl+W, Ctrl+Q) are keys to record.
            event->accept();
            return true;
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            keyPressed(key->key(), key->modifiers());
            return true;
        }
        case QEvent::FocusOut:
            stopRecording();
            return false;
        default:
            return QWidget::eventFilter(watched, event);
    }
}

void ShortcutRecorder::keyPressed(int key, Qt::KeyboardModifiers qtModifiers) {
    if (isModifierKey(key)) return;
    long modifiers = m_kind == Kind::globalShortcut ? storedModifiers(qtModifiers) : 0;
    if (key == Qt::Key_Escape && modifiers == 0) {
        m_refusal.clear();
        stopRecording();
        return;
    }
    auto keysym = keysymForQtKey(key);
    auto code = keysym ? keyCodeForKeysym(*keysym) : std::nullopt;
    if (!code) {
        m_refusal = "This key cannot be a shortcut. Choose another one.";
    } else if (m_kind == Kind::globalShortcut && modifiers == 0) {
        m_refusal = "Hold Ctrl, Alt, Shift or Super with the key.";
    } else if (m_kind == Kind::singleKey &&
               std::find(Preferences::compareKeysReserved.begin(), Preferences::compareKeysReserved.end(),
                         *code) != Preferences::compareKeysReserved.end()) {
        m_refusal = "The shelf already uses this key. Choose another one.";
    } else {
        m_refusal.clear();
        m_recording = false;
        setShortcut(*code, modifiers);
        if (m_onRecorded) m_onRecorded(*code, modifiers);
        return;
    }
    showMessage();
}

std::optional<std::uint32_t> ShortcutRecorder::keysymForQtKey(int key) {
    // Qt's codes for printable keys are their Latin-1 characters, which are also their key symbols.
    if (key >= 0x20 && key <= 0x7e) return static_cast<std::uint32_t>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return static_cast<std::uint32_t>(0xffbe + (key - Qt::Key_F1));
    for (const auto& special : specialKeys) {
        if (special.qtKey == key) return special.keysym;
    }
    return std::nullopt;
}

std::optional<std::string> ShortcutRecorder::conflictNote(long keyCode, long modifiers) {
    if (keyCode != spaceKey) return std::nullopt;
    if (modifiers == macCommand)
        return "Super+Space switches input sources on many desktops, which receive it first.";
    if (modifiers == macControl) return "Ctrl+Space switches input methods, which receive it first.";
    if (modifiers == macOption)
        return "Alt+Space opens the window menu on most desktops, which receive it first.";
    return std::nullopt;
}

}  // namespace brimly
