#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QLabel;
class QPushButton;

namespace brimly {

// Records a key, or a key with modifiers, as the stored virtual key code and modifier mask. A click starts
// recording ("Type shortcut…"); the next key that has a code ends it, Escape cancels it, and a key without a
// code, or without a modifier where one is needed, is refused with a note. Below it shows that note, a
// warning about the shortcut, or the error of registering it.
class ShortcutRecorder final : public QWidget {
public:
    enum class Kind {
        // The global shortcut: a key with at least one modifier, which every program would otherwise lose.
        globalShortcut,
        // A key alone (the compare key); keys the shelf already uses are refused.
        singleKey,
    };

    explicit ShortcutRecorder(Kind kind, QWidget* parent = nullptr);

    void setShortcut(long keyCode, long modifiers);
    void setError(const std::optional<std::string>& error);
    void setOnRecorded(std::function<void(long keyCode, long modifiers)> onRecorded) {
        m_onRecorded = std::move(onRecorded);
    }

    bool isRecording() const { return m_recording; }
    void startRecording();
    QPushButton* button() const { return m_button; }
    // The note or error line under the button; empty when none shows.
    QString message() const;

    // The X key symbol of a Qt key, for keys the stored table can hold.
    static std::optional<std::uint32_t> keysymForQtKey(int key);
    // A desktop's own use of a global shortcut that would take it first, or nothing.
    static std::optional<std::string> conflictNote(long keyCode, long modifiers);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void keyPressed(int key, Qt::KeyboardModifiers modifiers);
    void stopRecording();
    void showMessage();

    Kind m_kind;
    long m_keyCode = 0;
    long m_modifiers = 0;
    bool m_recording = false;
    QString m_refusal;
    std::optional<std::string> m_error;
    std::function<void(long, long)> m_onRecorded;
    QPushButton* m_button;
    QLabel* m_message;
};

}  // namespace brimly
