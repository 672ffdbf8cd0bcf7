#include "app/settings/FormPane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>
#include <climits>

#include "app/settings/WholeNumberField.h"
#include "core/base/Env.h"

namespace brimly {

QColor warningColor() { return QColor(0xc0, 0x3a, 0x2b); }

FormPane::FormPane(SettingsContext& context, const QString& title, QWidget* parent)
    : QScrollArea(parent), m_context(context) {
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    auto* content = new QWidget(this);
    m_top = new QVBoxLayout(content);
    m_top->setContentsMargins(20, 16, 20, 16);
    m_top->setSpacing(10);
    m_current = m_top;
    auto* heading = new QLabel(title, content);
    QFont font = heading->font();
    font.setPointSizeF(font.pointSizeF() * 1.35);
    font.setBold(true);
    heading->setFont(font);
    m_top->addWidget(heading);
    m_saveError = new QLabel(content);
    m_saveError->setWordWrap(true);
    QPalette palette = m_saveError->palette();
    palette.setColor(QPalette::WindowText, warningColor());
    m_saveError->setPalette(palette);
    m_saveError->hide();
    m_top->addWidget(m_saveError);
    setWidget(content);
}

void FormPane::refresh() {
    for (const auto& loader : m_loaders) loader(prefs());
}

void FormPane::edit(const std::function<void(Preferences&)>& change) {
    showSaveError(settings().edit(change));
}

void FormPane::showSaveError(std::error_code error) {
    // The change still applies for this run; only keeping it failed.
    m_saveError->setText(error ? "The settings could not be saved: " + QString::fromStdString(error.message())
                               : QString());
    m_saveError->setVisible(bool(error));
}

void FormPane::beginSection(const QString& title, const QString& help) {
    auto* group = new QGroupBox(title, widget());
    m_current = new QVBoxLayout(group);
    m_current->setSpacing(8);
    m_top->addWidget(group);
    if (!help.isEmpty()) addHelp(help);
}

void FormPane::endSection() { m_current = m_top; }

QLabel* FormPane::secondaryLabel(const QString& text) const {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
    return label;
}

void FormPane::addRow(const QString& label, const QString& help, QWidget* control) {
    auto* row = new QWidget(widget());
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* title = new QLabel(label, row);
    title->setBuddy(control);
    texts->addWidget(title);
    if (!help.isEmpty()) {
        texts->addWidget(secondaryLabel(help));
        title->setToolTip(help);
        control->setToolTip(help);
    }
    layout->addLayout(texts, 1);
    layout->addWidget(control, 0, Qt::AlignRight | Qt::AlignTop);
    m_current->addWidget(row);
}

void FormPane::addWide(QWidget* widget) { m_current->addWidget(widget); }

QLabel* FormPane::addHelp(const QString& text) {
    QLabel* label = secondaryLabel(text);
    m_current->addWidget(label);
    return label;
}

QLabel* FormPane::addMessage(std::function<std::optional<std::string>()> text) {
    auto* label = new QLabel(widget());
    label->setWordWrap(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, warningColor());
    label->setPalette(palette);
    m_current->addWidget(label);
    onRefresh([label, text = std::move(text)](const Preferences&) {
        auto shown = text();
        label->setText(shown ? QString::fromStdString(*shown) : QString());
        label->setVisible(bool(shown));
    });
    return label;
}

void FormPane::addStretch() { m_top->addStretch(1); }

QCheckBox* FormPane::addCheckBox(const QString& name, const QString& label, const QString& help) {
    auto* row = new QWidget(widget());
    auto* rowLayout = new QVBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->setSpacing(2);
    auto* toggle = new QCheckBox(label, row);
    toggle->setObjectName(name);
    rowLayout->addWidget(toggle);
    if (!help.isEmpty()) {
        QLabel* helpLabel = secondaryLabel(help);
        // In line with the toggle's text rather than its box.
        helpLabel->setIndent(toggle->style()->pixelMetric(QStyle::PM_IndicatorWidth) + 6);
        rowLayout->addWidget(helpLabel);
        toggle->setToolTip(help);
    }
    m_current->addWidget(row);
    return toggle;
}

QCheckBox* FormPane::addToggle(const QString& name, const QString& label, const QString& help,
                               bool Preferences::*field) {
    QCheckBox* toggle = addCheckBox(name, label, help);
    connect(toggle, &QCheckBox::toggled, this,
            [this, field](bool on) { edit([&](Preferences& next) { next.*field = on; }); });
    onRefresh([toggle, field](const Preferences& now) {
        QSignalBlocker blocker(toggle);
        toggle->setChecked(now.*field);
    });
    return toggle;
}

QComboBox* FormPane::addChoice(const QString& name, const QString& label, const QString& help,
                               const QStringList& titles, std::function<int(const Preferences&)> index,
                               std::function<void(Preferences&, int)> choose) {
    auto* box = new QComboBox(widget());
    box->setObjectName(name);
    box->addItems(titles);
    addRow(label, help, box);
    connect(box, &QComboBox::activated, this,
            [this, choose](int chosen) { edit([&](Preferences& next) { choose(next, chosen); }); });
    onRefresh([box, index](const Preferences& now) {
        QSignalBlocker blocker(box);
        box->setCurrentIndex(index(now));
    });
    return box;
}

WholeNumberField* FormPane::addWhole(const QString& name, const QString& label, const QString& help,
                                     ClosedRange range, long step, const QString& singular,
                                     const QString& plural, long Preferences::*field, const char* variable,
                                     ClosedRange overrideRange) {
    auto* number = new WholeNumberField(range, step, singular, plural, widget());
    number->setObjectName(name);
    addRow(label, help, number);
    number->setOnChange([this, field](long value) { edit([&](Preferences& next) { next.*field = value; }); });
    // The same test the engine's configuration makes, so the note shows exactly while the variable applies.
    bool overridden = variable && Env::intValue(variable, LONG_MIN, overrideRange.lower, overrideRange.upper,
                                                context().env) != LONG_MIN;
    if (overridden) {
        number->setEnabled(false);
        QLabel* note = addHelp(QString(variable) + " is set and applies while it is.");
        note->setObjectName(name + "Override");
    }
    onRefresh([number, field](const Preferences& now) { number->setValue(now.*field); });
    return number;
}

}  // namespace brimly
