#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace brimly {

class ShelfModel;

// What the drawer shows with nothing on the shelf: the model's text and, when it offers one, a button that
// runs its action. Main thread only.
class EmptyShelfView final : public QWidget {
public:
    EmptyShelfView(ShelfModel& model, QWidget* parent);

    // Shows the model's empty state, or hides while there is something to show.
    void refresh();
    const QLabel& text() const { return *m_text; }
    QPushButton& button() const { return *m_button; }

private:
    ShelfModel& m_model;
    QLabel* m_text;
    QPushButton* m_button;
};

}  // namespace brimly
