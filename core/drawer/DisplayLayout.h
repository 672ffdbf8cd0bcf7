#pragma once

#include <optional>

#include "core/base/Geometry.h"
#include "core/config/DisplayStyle.h"
#include "core/config/DisplayStyleChoice.h"
#include "core/drawer/NotchGeometry.h"
#include "core/drawer/ShelfLayoutKind.h"

namespace brimly {

// One display's resolved drawer style and frames, from which every rectangle of the collapsed and the
// open drawer is derived. The visible frame always lies inside the screen frame, and a notch rectangle is
// kept only for the notch style.
class DisplayLayout {
public:
    static constexpr double topBand = 32;
    static constexpr double margin = 24;
    static constexpr Size virtualNotchSize{200, 32};
    static constexpr Size peekSize{132, 99};
    static constexpr double peekGap = 10;
    static constexpr Size pillLineSize{48, 4};
    static constexpr double peekLineClearance = 10;

    DisplayLayout(DisplayStyle style, const Rect& screenFrame, const std::optional<Rect>& visibleFrame,
                  const std::optional<Rect>& notch);
    static DisplayLayout make(const DisplayStyleChoice& choice, const NotchGeometry& geometry,
                              const std::optional<Rect>& visibleFrame);

    const DisplayStyle& style() const { return m_style; }
    const Rect& screenFrame() const { return m_screenFrame; }
    const Rect& visibleFrame() const { return m_visibleFrame; }
    const std::optional<Rect>& notch() const { return m_notch; }

    // The drawer at rest, before the arrival counter extends it.
    Rect collapsedRect() const;
    // `trailing` is the width of the arrival counter right of the notch (see `counterWidth`).
    Rect restRect(double trailing) const;
    static double counterWidth(int count);
    std::optional<Rect> pillLineRect() const;
    // Where a resting pointer opens the drawer.
    Rect hotZone(double trailing) const;
    // Where the pointer keeps an open drawer open.
    Rect hoverRect(const Rect& openDrawer) const;
    // Only drawers hanging from the top can be caught during their close animation.
    bool closingDrawerReopens() const { return m_style.isTopStyle(); }
    Rect closingDrawerRect(const Rect& open, double trailing, double elapsed, double duration) const;
    // The message band sits above the content only when the drawer rises from the bottom edge.
    bool messageOnTop() const { return m_style == DisplayStyle::pill(PillSide::bottom); }
    Size drawerSize(ShelfLayoutKind kind) const;
    // The open drawer for content of `size` plus a message band of height `message`.
    Rect drawerRect(Size size, double message) const;
    // The band of `message` height inside `drawer` where messages show.
    Rect messageBand(const Rect& drawer, double message) const;
    Rect panelFrame() const;
    Rect panelFrame(Size size) const;
    // The pill card while a new arrival peeks out; absent for the notch styles, which have no card.
    std::optional<Rect> peekCardRect() const;
    // How far the peek card sits from the screen edge it tucks into.
    double peekTuckRoom() const;

    bool operator==(const DisplayLayout&) const = default;

private:
    DisplayStyle m_style;
    Rect m_screenFrame;
    Rect m_visibleFrame;
    std::optional<Rect> m_notch;
};

// Where a menu opened from a drawer control goes: below the control when it fits above `floor`, else
// above it. Returns the menu origin's y relative to the control's bottom edge.
struct MenuPlacement {
    static double originY(const Rect& control, double menuHeight, double floor, double ceiling, double gap);
};

}  // namespace brimly
