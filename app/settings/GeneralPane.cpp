#include "app/settings/GeneralPane.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

#include "app/settings/ShortcutRecorder.h"

namespace brimly {

namespace {
constexpr long dwellStep = 20;
constexpr ClosedRange range = Preferences::dwellRange;
}  // namespace

GeneralPane::GeneralPane(SettingsContext& context, QWidget* parent) : FormPane(context, "General", parent) {
    beginSection("Opening the shelf");
    addToggle("hoverEnabled", "Open on hover", {}, &Preferences::hoverEnabled);

    // The slider counts steps, so that every position it can take is a whole step of the range.
    auto* dwell = new QWidget(this);
    auto* dwellLayout = new QHBoxLayout(dwell);
    dwellLayout->setContentsMargins(0, 0, 0, 0);
    auto* slider = new QSlider(Qt::Horizontal, dwell);
    slider->setObjectName("hoverDwellMs");
    slider->setRange(0, int((range.upper - range.lower) / dwellStep));
    slider->setPageStep(5);
    slider->setMinimumWidth(180);
    auto* dwellValue = new QLabel(dwell);
    dwellValue->setMinimumWidth(dwellValue->fontMetrics().horizontalAdvance("600 ms"));
    dwellLayout->addWidget(slider);
    dwellLayout->addWidget(dwellValue);
    addRow("Hover delay", "The duration the shelf waits before opening.", dwell);
    // A drag shows each value but writes only the one it ends on.
    slider->setTracking(false);
    connect(slider, &QSlider::sliderMoved, this, [dwellValue](int position) {
        dwellValue->setText(QString::number(range.lower + position * dwellStep) + " ms");
    });
    connect(slider, &QSlider::valueChanged, this, [this, dwellValue](int position) {
        long ms = range.lower + position * dwellStep;
        dwellValue->setText(QString::number(ms) + " ms");
        edit([ms](Preferences& next) { next.hoverDwellMs = ms; });
    });
    onRefresh([slider, dwellValue](const Preferences& now) {
        QSignalBlocker blocker(slider);
        slider->setValue(int((range.clamp(now.hoverDwellMs) - range.lower + dwellStep / 2) / dwellStep));
        dwellValue->setText(QString::number(now.hoverDwellMs) + " ms");
    });

    auto* recorder = new ShortcutRecorder(ShortcutRecorder::Kind::globalShortcut, this);
    recorder->setObjectName("hotkey");
    addRow("Keyboard shortcut", "Opens and closes the shelf on display.", recorder);
    recorder->setOnRecorded([this](long code, long modifiers) {
        edit([&](Preferences& next) {
            next.hotkeyKeyCode = code;
            next.hotkeyModifiers = modifiers;
        });
    });
    onRefresh([this, recorder](const Preferences& now) {
        recorder->setShortcut(now.hotkeyKeyCode, now.hotkeyModifiers);
        recorder->setError(settings().hotkeyError());
    });
    addToggle("quietMode", "Quiet mode",
              "Hides the new-item signal and turns off “Open on hover”, leaving only the keyboard shortcut.",
              &Preferences::quietMode);
    endSection();

    addToggle("showInMenuBar", "Show menu bar icon", "Brimly's icon in the desktop's tray.",
              &Preferences::showInMenuBar);
    addToggle("launchAtLogin", "Launch at login", {}, &Preferences::launchAtLogin);
    addMessage([this] { return settings().launchAtLoginError(); })->setObjectName("launchAtLoginError");
    addStretch();
}

}  // namespace brimly
