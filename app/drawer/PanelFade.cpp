#include "app/drawer/PanelFade.h"

#include <QPropertyAnimation>
#include <QWidget>
#include <cmath>

namespace brimly::PanelFade {
namespace {

constexpr const char* animationName = "brimlyPanelFade";

void fade(QWidget& panel, double motionScale, double to) {
    // One animation per panel, so a fade in stops a fade out that has not finished, and the other way round.
    auto* animation = panel.findChild<QPropertyAnimation*>(animationName, Qt::FindDirectChildrenOnly);
    if (!animation) {
        animation = new QPropertyAnimation(&panel, "windowOpacity", &panel);
        animation->setObjectName(animationName);
    }
    animation->stop();
    QObject::disconnect(animation, &QPropertyAnimation::finished, nullptr, nullptr);
    if (to == 0) QObject::connect(animation, &QPropertyAnimation::finished, &panel, &QWidget::hide);
    animation->setStartValue(panel.windowOpacity());
    animation->setEndValue(to);
    animation->setDuration(int(std::lround(seconds * motionScale * 1000)));
    animation->start();
}

}  // namespace

void in(QWidget& panel, double motionScale) {
    if (!panel.isVisible()) {
        panel.setWindowOpacity(0);
        panel.show();
    }
    fade(panel, motionScale, 1);
}

void out(QWidget& panel, double motionScale) {
    if (!panel.isVisible()) return;
    fade(panel, motionScale, 0);
}

}  // namespace brimly::PanelFade
