#include "app/drawer/Displays.h"

namespace brimly {

Displays Displays::make(const std::vector<ScreenInfo>& screens, const Rect& root,
                        const std::vector<Strut>& struts, const DisplayStyleChoice& choice) {
    Displays displays;
    const ScreenInfo* primary = nullptr;
    for (const auto& screen : screens) {
        if (screen.primary || !primary) primary = &screen;
    }
    if (!primary) return displays;
    displays.space = GlobalSpace(primary->frame);
    displays.primary = primary->id;
    for (const auto& screen : screens) {
        Rect frame = displays.space.toGlobal(screen.frame);
        Rect visible = displays.space.toGlobal(X11Screens::visibleFrame(screen.frame, root, struts));
        NotchGeometry geometry =
            NotchGeometry::resolve(NotchGeometry::compute(frame, 0, {}, {}), std::nullopt);
        displays.layouts.emplace(screen.id, DisplayLayout::make(choice, geometry, visible));
        displays.info.push_back({.id = std::to_string(screen.id),
                                 .name = screen.name,
                                 .frame = frame,
                                 .resolution = screen.native});
    }
    return displays;
}

std::optional<DisplayID> Displays::displayAt(Point global) const {
    for (const auto& [id, layout] : layouts) {
        if (layout.screenFrame().contains(global)) return id;
    }
    return std::nullopt;
}

}  // namespace brimly
