#include "core/drawer/NotchGeometry.h"

namespace brimly {

NotchGeometry NotchGeometry::compute(const Rect& screenFrame, double topInset,
                                     const std::optional<Rect>& auxLeft,
                                     const std::optional<Rect>& auxRight) {
    NotchGeometry geometry{screenFrame, std::nullopt};
    if (topInset > 0 && auxLeft && auxRight && auxRight->minX() > auxLeft->maxX()) {
        geometry.notchRect = Rect{auxLeft->maxX(), screenFrame.maxY() - topInset,
                                  auxRight->minX() - auxLeft->maxX(), topInset};
    }
    return geometry;
}

NotchGeometry NotchGeometry::resolve(const NotchGeometry& live, const std::optional<NotchGeometry>& cached) {
    if (live.hasNotch() || !cached || !cached->hasNotch()) return live;
    if (cached->screenFrame.width != live.screenFrame.width ||
        cached->screenFrame.height != live.screenFrame.height) {
        return live;
    }
    Rect notch = *cached->notchRect;
    notch.x += live.screenFrame.minX() - cached->screenFrame.minX();
    notch.y += live.screenFrame.minY() - cached->screenFrame.minY();
    return {live.screenFrame, notch};
}

}  // namespace brimly
