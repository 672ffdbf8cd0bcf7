#include "app/settings/DisplaysPane.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <array>

namespace brimly {

namespace {
constexpr std::array<PillSide, 3> sides = {PillSide::left, PillSide::bottom, PillSide::right};

int sideIndex(const DisplayStyleChoice& style) {
    PillSide side = style.pillSide().value_or(PillSide::bottom);
    for (std::size_t n = 0; n < sides.size(); ++n) {
        if (sides[n] == side) return int(n);
    }
    return 1;
}
}  // namespace

DisplaysPane::DisplaysPane(SettingsContext& context, QWidget* parent)
    : FormPane(context, "Displays", parent),
      m_groups(new QWidget(this)),
      m_groupsLayout(new QVBoxLayout(m_groups)) {
    m_groupsLayout->setContentsMargins(0, 0, 0, 0);
    addWide(m_groups);
    addStretch();
}

void DisplaysPane::refresh() {
    if (!m_built || m_shown != settings().displays()) rebuild();
    const DisplayStyleChoice& style = prefs().displayStyle;
    for (auto [styleBox, sideBox] : m_controls) {
        QSignalBlocker styleBlocker(styleBox);
        QSignalBlocker sideBlocker(sideBox);
        styleBox->setCurrentIndex(style.isPill() ? 1 : 0);
        sideBox->setCurrentIndex(sideIndex(style));
        sideBox->setEnabled(style.isPill());
    }
    FormPane::refresh();
}

void DisplaysPane::rebuild() {
    m_built = true;
    m_shown = settings().displays();
    m_controls.clear();
    while (QLayoutItem* item = m_groupsLayout->takeAt(0)) {
        // Later: the change that rebuilds the groups may come from inside one of their signals.
        if (QWidget* old = item->widget()) {
            old->hide();
            old->deleteLater();
        }
        delete item;
    }
    if (m_shown.empty()) {
        auto* none = new QLabel("No displays found.", m_groups);
        none->setObjectName("noDisplays");
        m_groupsLayout->addWidget(none);
        return;
    }
    for (const DisplayInfo& display : m_shown) {
        auto* group = new QGroupBox(QString::fromStdString(display.name), m_groups);
        auto* layout = new QVBoxLayout(group);
        auto row = [&](const QString& label, const QString& help, QComboBox* box) {
            auto* title = new QLabel(label, group);
            title->setBuddy(box);
            layout->addWidget(title);
            if (!help.isEmpty()) {
                layout->addWidget(secondaryLabel(help));
                box->setToolTip(help);
            }
            layout->addWidget(box, 0, Qt::AlignLeft);
        };
        auto* styleBox = new QComboBox(group);
        styleBox->setObjectName("displayStyle:" + QString::fromStdString(display.id));
        styleBox->addItems({"Notch", "Pill"});
        auto* sideBox = new QComboBox(group);
        sideBox->setObjectName("pillPosition:" + QString::fromStdString(display.id));
        sideBox->addItems({"Left", "Bottom", "Right"});
        row("Shelf style", "How the shelf looks on this display.", styleBox);
        row("Pill position", {}, sideBox);
        connect(styleBox, &QComboBox::activated, this,
                [this, sideBox](int chosen) { choose(chosen == 1, sideBox->currentIndex()); });
        connect(sideBox, &QComboBox::activated, this, [this](int chosen) { choose(true, chosen); });
        m_controls.emplace_back(styleBox, sideBox);
        m_groupsLayout->addWidget(group);
    }
}

void DisplaysPane::choose(bool pill, int side) {
    DisplayStyleChoice style =
        pill ? DisplayStyleChoice::pill(sides[static_cast<std::size_t>(side)]) : DisplayStyleChoice::notch();
    edit([&](Preferences& next) { next.displayStyle = style; });
}

}  // namespace brimly
