#include "core/drawer/DisplayLayout.h"

#include <algorithm>

#include "core/base/Overloaded.h"
#include "core/drawer/DrawerSize.h"
#include "core/drawer/Interpolation.h"
#include "core/drawer/ScrollSettle.h"

namespace brimly {

namespace {

Rect visibleInside(const Rect& screen, const std::optional<Rect>& visible) {
    Rect shared = screen.intersection(visible.value_or(screen));
    return shared.isEmpty() ? screen : shared;
}

// `value` limited to low...high, or `low` when that range is empty.
double limit(double value, double low, double high) {
    if (high < low) return low;
    return std::clamp(value, low, high);
}

Rect grown(const Rect& r, double by) { return r.insetBy(-by, -by); }

}  // namespace

DisplayLayout::DisplayLayout(DisplayStyle style, const Rect& screenFrame,
                             const std::optional<Rect>& visibleFrame, const std::optional<Rect>& notch)
    : m_style(style),
      m_screenFrame(screenFrame),
      m_visibleFrame(visibleInside(screenFrame, visibleFrame)),
      m_notch(style.isNotch() ? notch : std::nullopt) {}

DisplayLayout DisplayLayout::make(const DisplayStyleChoice& choice, const NotchGeometry& geometry,
                                  const std::optional<Rect>& visibleFrame) {
    bool hasNotch = geometry.hasNotch();
    std::optional<Rect> notch = !choice.isPill() && hasNotch ? geometry.notchRect : std::nullopt;
    return DisplayLayout(choice.style(hasNotch), geometry.screenFrame, visibleFrame, notch);
}

Rect DisplayLayout::collapsedRect() const {
    const Rect& screen = m_screenFrame;
    const Rect& visible = m_visibleFrame;
    auto topCentre = [&] {
        return Rect{screen.midX() - virtualNotchSize.width / 2, screen.maxY() - virtualNotchSize.height,
                    virtualNotchSize.width, virtualNotchSize.height};
    };
    return std::visit(
        Overloaded{
            [&](const DisplayStyle::Notch&) { return m_notch.value_or(topCentre()); },
            [&](const DisplayStyle::HoverNotch&) { return topCentre(); },
            [&](const DisplayStyle::Pill& pill) {
                switch (pill.side) {
                    case PillSide::left:
                        return Rect{visible.minX() + peekGap, visible.midY() - peekSize.height / 2,
                                    peekSize.width, peekSize.height};
                    case PillSide::bottom:
                        // Centred on the whole screen so that a side Dock does not shift it.
                        return Rect{screen.midX() - peekSize.width / 2, visible.minY() + peekGap,
                                    peekSize.width, peekSize.height};
                    case PillSide::right:
                        return Rect{visible.maxX() - peekGap - peekSize.width,
                                    visible.midY() - peekSize.height / 2, peekSize.width, peekSize.height};
                }
                return topCentre();
            },
        },
        m_style.value);
}

Rect DisplayLayout::restRect(double trailing) const {
    Rect rest = collapsedRect();
    if (m_style.isTopStyle()) rest.width += trailing;
    return rest;
}

double DisplayLayout::counterWidth(int count) {
    if (count < 1) return 0;
    if (count <= 9) return 24;
    if (count <= 99) return 30;
    return 38;
}

std::optional<Rect> DisplayLayout::pillLineRect() const {
    auto side = m_style.pillSide();
    if (!side) return std::nullopt;
    Rect c = collapsedRect();
    double length = pillLineSize.width;
    double thickness = pillLineSize.height;
    switch (*side) {
        case PillSide::left:
            return Rect{c.minX(), c.midY() - length / 2, thickness, length};
        case PillSide::bottom:
            return Rect{c.midX() - length / 2, c.minY(), length, thickness};
        case PillSide::right:
            return Rect{c.maxX() - thickness, c.midY() - length / 2, thickness, length};
    }
    return std::nullopt;
}

Rect DisplayLayout::hotZone(double trailing) const {
    return std::visit(Overloaded{
                          [&](const DisplayStyle::Notch&) {
                              // One point taller so that the topmost pixel row counts.
                              Rect r = restRect(trailing).insetBy(-8, 0);
                              r.height += 1;
                              return r;
                          },
                          [&](const DisplayStyle::HoverNotch&) {
                              Rect r = restRect(trailing).insetBy(-24, 0);
                              return Rect{r.minX(), m_screenFrame.maxY() - 20, r.width, 21};
                          },
                          [&](const DisplayStyle::Pill&) {
                              return grown(pillLineRect().value_or(collapsedRect()), peekLineClearance);
                          },
                      },
                      m_style.value);
}

Rect DisplayLayout::hoverRect(const Rect& openDrawer) const {
    return m_style.isPill() ? grown(openDrawer, 10) : openDrawer;
}

Rect DisplayLayout::closingDrawerRect(const Rect& open, double trailing, double elapsed,
                                      double duration) const {
    Rect rest = restRect(trailing);
    if (!(duration > 0)) return rest;
    ScrollSettle settle{1, 0, 0, 0, duration};
    return mix(rest, open, unit(settle.position(elapsed)));
}

Size DisplayLayout::drawerSize(ShelfLayoutKind kind) const {
    return DrawerSize::expanded(kind, m_screenFrame,
                                m_style.isPill() ? std::optional<Rect>(m_visibleFrame) : std::nullopt);
}

Rect DisplayLayout::drawerRect(Size size, double message) const {
    const Rect& screen = m_screenFrame;
    const Rect& visible = m_visibleFrame;
    double w = size.width;
    double h = size.height;
    double m = message;
    Rect c = collapsedRect();
    double clampX = limit(c.midX() - w / 2, screen.minX(), screen.maxX() - w);
    auto side = m_style.pillSide();
    if (!side) return {clampX, screen.maxY() - (h + m), w, h + m};
    Rect v = visible.insetBy(0, peekGap);
    double clampY = limit(c.midY() - h / 2, v.minY() + m, v.maxY() - h);
    switch (*side) {
        case PillSide::left:
            return {visible.minX() + peekGap, clampY - m, w, h + m};
        case PillSide::right:
            return {visible.maxX() - peekGap - w, clampY - m, w, h + m};
        case PillSide::bottom:
            return {clampX, std::min(visible.minY() + peekGap, screen.maxY() - (h + m)), w, h + m};
    }
    return {clampX, screen.maxY() - (h + m), w, h + m};
}

Rect DisplayLayout::messageBand(const Rect& drawer, double message) const {
    // The band is the drawer's own strip of the message height (never taller than the drawer), on the
    // edge facing away from the screen edge the drawer grows from, where drawerRect left the room for it.
    double height = std::clamp(message, 0.0, std::max(drawer.height, 0.0));
    if (messageOnTop()) return {drawer.minX(), drawer.maxY() - height, drawer.width, height};
    return {drawer.minX(), drawer.minY(), drawer.width, height};
}

Rect DisplayLayout::panelFrame() const {
    return panelFrame(DrawerSize::panel(
        m_style, m_screenFrame, m_style.isPill() ? std::optional<Rect>(m_visibleFrame) : std::nullopt));
}

Rect DisplayLayout::panelFrame(Size size) const {
    if (m_style.isTopStyle()) {
        Rect r = grown(drawerRect(size, 0), margin);
        return {r.minX(), r.minY(), r.width, m_screenFrame.maxY() - r.minY()};
    }
    double band = std::min(DrawerSize::messageRoom, size.height);
    return grown(drawerRect({size.width, size.height - band}, band), margin).intersection(m_screenFrame);
}

std::optional<Rect> DisplayLayout::peekCardRect() const {
    auto side = m_style.pillSide();
    if (!side) return std::nullopt;
    // The card rests where the collapsed pill does, slid along its edge when needed so that it stays inside
    // the visible frame less the peek gap (a frame too short for it keeps the card on the frame's low end).
    Rect card = collapsedRect();
    Rect inside = m_visibleFrame.insetBy(peekGap, peekGap);
    if (*side == PillSide::bottom) {
        card.x = limit(card.x, inside.minX(), inside.maxX() - card.width);
    } else {
        card.y = limit(card.y, inside.minY(), inside.maxY() - card.height);
    }
    return card;
}

double DisplayLayout::peekTuckRoom() const {
    // The distance from the card's outer edge to the screen edge it tucks into: the peek gap plus whatever
    // the Dock takes on that edge. Sliding the card by this much plus its depth hides it past the edge.
    auto card = peekCardRect();
    auto side = m_style.pillSide();
    if (!card || !side) return 0;
    double room = 0;
    switch (*side) {
        case PillSide::left:
            room = card->minX() - m_screenFrame.minX();
            break;
        case PillSide::bottom:
            room = card->minY() - m_screenFrame.minY();
            break;
        case PillSide::right:
            room = m_screenFrame.maxX() - card->maxX();
            break;
    }
    return std::max(room, 0.0);
}

double MenuPlacement::originY(const Rect& control, double menuHeight, double floor, double ceiling,
                              double gap) {
    double top = std::min(ceiling, control.minY() - gap);
    if (top - menuHeight >= floor) return top - control.minY();
    return control.height + gap + menuHeight;
}

}  // namespace brimly
