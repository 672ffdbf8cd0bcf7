#pragma once

class QWidget;

namespace brimly {

// Panels of displays that stop or start showing the drawer fade rather than blink. Without a compositor the
// opacity has no effect and the fade amounts to a short delay before the panel goes.
namespace PanelFade {

inline constexpr double seconds = 0.2;

// Shows `panel` (when hidden) and takes its opacity to 1; a fade out in progress is called off.
void in(QWidget& panel, double motionScale);
// Takes the opacity to 0, then hides `panel`.
void out(QWidget& panel, double motionScale);

}  // namespace PanelFade
}  // namespace brimly
