#include "app/views/UndoToast.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "app/shelf/ShelfModel.h"
#include "app/views/ViewLook.h"

namespace brimly {

UndoToast::UndoToast(ShelfModel& model, QWidget* parent) : QWidget(parent), m_model(model) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 4, 4, 4);
    row->setSpacing(int(ViewLook::grid));
    m_message = new QLabel(this);
    m_message->setStyleSheet("QLabel { color: rgb(236,236,240); }");
    m_undo = new QPushButton(QStringLiteral("Undo"), this);
    m_undo->setFocusPolicy(Qt::NoFocus);
    m_undo->setStyleSheet(
        "QPushButton { color: #4C8DFF; background: transparent; border: none; border-radius: 4px;"
        " padding: 2px 8px; font-weight: bold; }"
        "QPushButton:hover { background: rgba(255,255,255,36); }");
    QObject::connect(m_undo, &QPushButton::clicked, this, [this] { m_model.undo(); });
    row->addWidget(m_message);
    row->addWidget(m_undo);
    hide();
}

void UndoToast::refresh() {
    const auto& pending = m_model.pendingUndo();
    if (!pending) {
        hide();
        return;
    }
    m_message->setText(QString::fromStdString(pending->message()));
    adjustSize();
    show();
    raise();
}

void UndoToast::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(ViewLook::divider(), 1));
    painter.setBrush(ViewLook::raised());
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), ViewLook::cardRadius,
                            ViewLook::cardRadius);
}

void UndoToast::enterEvent(QEnterEvent*) { m_model.setToastHovered(true); }

void UndoToast::leaveEvent(QEvent*) { m_model.setToastHovered(false); }

// A toast that goes away under the pointer gets no leave event; the model must not stay held.
void UndoToast::hideEvent(QHideEvent*) { m_model.setToastHovered(false); }

}  // namespace brimly
