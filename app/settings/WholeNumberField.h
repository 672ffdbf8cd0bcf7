#pragma once

#include <QString>
#include <QWidget>
#include <functional>

#include "core/config/Preferences.h"

class QLabel;
class QLineEdit;
class QToolButton;

namespace brimly {

// A whole number typed or stepped within a range, with its unit ("day"/"days"). What is typed is read the
// way the preferences read typed numbers: a leading number is clamped into the range, and text that does not
// start with one keeps the current value.
class WholeNumberField final : public QWidget {
public:
    WholeNumberField(ClosedRange range, long step, QString singular, QString plural,
                     QWidget* parent = nullptr);

    long value() const { return m_value; }
    // Shows `value` without reporting it.
    void setValue(long value);
    // Called with each new value the user enters.
    void setOnChange(std::function<void(long)> onChange) { m_onChange = std::move(onChange); }

    QLineEdit* lineEdit() const { return m_edit; }
    QToolButton* stepDownButton() const { return m_down; }
    QToolButton* stepUpButton() const { return m_up; }

private:
    void commit(long value);

    ClosedRange m_range;
    long m_step;
    QString m_singular;
    QString m_plural;
    long m_value = 0;
    std::function<void(long)> m_onChange;
    QLineEdit* m_edit;
    QToolButton* m_down;
    QToolButton* m_up;
    QLabel* m_unit;
};

}  // namespace brimly
