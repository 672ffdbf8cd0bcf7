#include "app/settings/WholeNumberField.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace brimly {

WholeNumberField::WholeNumberField(ClosedRange range, long step, QString singular, QString plural,
                                   QWidget* parent)
    : QWidget(parent),
      m_range(range),
      m_step(step),
      m_singular(std::move(singular)),
      m_plural(std::move(plural)),
      m_value(range.lower),
      m_edit(new QLineEdit(this)),
      m_down(new QToolButton(this)),
      m_up(new QToolButton(this)),
      m_unit(new QLabel(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    m_edit->setAlignment(Qt::AlignRight);
    m_edit->setFixedWidth(m_edit->fontMetrics().horizontalAdvance(QString::number(range.upper)) + 24);
    m_down->setText("−");
    m_up->setText("+");
    m_down->setAccessibleName("Decrease");
    m_up->setAccessibleName("Increase");
    m_down->setAutoRepeat(true);
    m_up->setAutoRepeat(true);
    layout->addWidget(m_edit);
    layout->addWidget(m_down);
    layout->addWidget(m_up);
    layout->addWidget(m_unit);
    connect(m_edit, &QLineEdit::editingFinished, this,
            [this] { commit(Preferences::whole(m_edit->text().toStdString(), m_value, m_range)); });
    connect(m_down, &QToolButton::clicked, this, [this] { commit(m_range.clamp(m_value - m_step)); });
    connect(m_up, &QToolButton::clicked, this, [this] { commit(m_range.clamp(m_value + m_step)); });
    setValue(m_value);
}

void WholeNumberField::setValue(long value) {
    m_value = value;
    m_edit->setText(QString::number(value));
    m_unit->setText(value == 1 ? m_singular : m_plural);
    m_down->setEnabled(value > m_range.lower);
    m_up->setEnabled(value < m_range.upper);
}

void WholeNumberField::commit(long value) {
    bool changed = value != m_value;
    // Shown again even when unchanged: letters typed over the number give way to it.
    setValue(value);
    if (changed && m_onChange) m_onChange(value);
}

}  // namespace brimly
