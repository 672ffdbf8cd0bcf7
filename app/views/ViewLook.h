#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetricsF>

namespace brimly {

// The drawer's one look: light text on the panel's dark surface, one accent, one family of corner radii,
// an 8-point grid and the application font at three sizes. Fonts and their metrics are made once per view,
// never while painting.
struct ViewLook {
    static constexpr double grid = 8;
    static constexpr double cardRadius = 8;
    static constexpr double smallRadius = 4;

    static QColor accent() { return {0x4C, 0x8D, 0xFF}; }
    static QColor text() { return {236, 236, 240}; }
    static QColor secondaryText() { return {160, 160, 172}; }
    static QColor cardFill() { return {255, 255, 255, 20}; }
    static QColor cardHover() { return {255, 255, 255, 36}; }
    static QColor glyphFill() { return {255, 255, 255, 30}; }
    static QColor divider() { return {255, 255, 255, 28}; }
    static QColor raised() { return {40, 40, 46, 250}; }

    QFont titleFont;
    QFont bodyFont;
    QFont smallFont;
    QFontMetricsF title;
    QFontMetricsF body;
    QFontMetricsF small;

    explicit ViewLook(const QFont& base);

private:
    static QFont sized(const QFont& base, int pixels, bool bold);
};

inline QFont ViewLook::sized(const QFont& base, int pixels, bool bold) {
    QFont font = base;
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

inline ViewLook::ViewLook(const QFont& base)
    : titleFont(sized(base, 13, true)),
      bodyFont(sized(base, 12, false)),
      smallFont(sized(base, 11, false)),
      title(titleFont),
      body(bodyFont),
      small(smallFont) {}

}  // namespace brimly
