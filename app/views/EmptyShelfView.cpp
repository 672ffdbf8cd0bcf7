#include "app/views/EmptyShelfView.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/shelf/ShelfModel.h"
#include "app/views/ViewLook.h"

namespace brimly {

EmptyShelfView::EmptyShelfView(ShelfModel& model, QWidget* parent) : QWidget(parent), m_model(model) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(int(ViewLook::grid));
    m_text = new QLabel(this);
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setWordWrap(true);
    m_text->setStyleSheet("QLabel { color: rgb(160,160,172); }");
    m_button = new QPushButton(this);
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setStyleSheet(
        "QPushButton { color: white; background: #4C8DFF; border: none; border-radius: 4px;"
        " padding: 4px 12px; }"
        "QPushButton:hover { background: #6A9FFF; }");
    // The action is read when the button is pressed, so it is the one of the state on screen.
    QObject::connect(m_button, &QPushButton::clicked, this, [this] {
        if (auto empty = m_model.emptyShelf(); empty && empty->action) empty->action();
    });
    column->addStretch(1);
    column->addWidget(m_text);
    column->addWidget(m_button, 0, Qt::AlignHCenter);
    column->addStretch(1);
    hide();
}

void EmptyShelfView::refresh() {
    auto empty = m_model.emptyShelf();
    if (!empty) {
        hide();
        return;
    }
    m_text->setText(QString::fromStdString(empty->text));
    m_button->setVisible(empty->buttonTitle.has_value());
    if (empty->buttonTitle) m_button->setText(QString::fromStdString(*empty->buttonTitle));
    show();
}

}  // namespace brimly
