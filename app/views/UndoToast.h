#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace brimly {

class ShelfModel;

// The undo toast: the pending removal's message and an "Undo" button. While the pointer rests on it the
// model holds the undo window open. Main thread only.
class UndoToast final : public QWidget {
public:
    UndoToast(ShelfModel& model, QWidget* parent);

    // Shows the model's pending removal, or hides when there is none.
    void refresh();
    const QLabel& message() const { return *m_message; }
    QPushButton& undoButton() const { return *m_undo; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    ShelfModel& m_model;
    QLabel* m_message;
    QPushButton* m_undo;
};

}  // namespace brimly
