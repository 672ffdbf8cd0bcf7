#pragma once

#include <QImage>
#include <QPainterPath>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "app/qt/RecentTimes.h"
#include "app/views/ItemActions.h"
#include "core/base/Geometry.h"
#include "core/config/DisplayStyle.h"
#include "core/drawer/DisplayID.h"
#include "core/drawer/ShelfLayoutKind.h"

namespace brimly {

class ShelfModel;
class ShelfView;

// One display's drawer window: frameless, above other windows, on every desktop, never taking focus. It
// draws the drawer's outline where the controller says the drawer is (window coordinates) and, once the
// drawer is open, shows the shelf's view inside it; everywhere else it is transparent and lets clicks
// through.
class NotchPanel final : public QWidget {
public:
    NotchPanel(ShelfModel& model, DisplayID display, double motionScale);

    // The drawer's rectangle in this window's coordinates, how far the content shows (0…1), and the screen
    // edge it hangs from.
    void setDrawer(const Rect& drawer, double reveal, DisplayStylePosition edge);
    const Rect& drawer() const { return m_drawer; }
    double reveal() const { return m_reveal; }
    DisplayStylePosition edge() const { return m_edge; }
    void setLayoutKind(ShelfLayoutKind kind);
    void setItemActions(ItemActions actions);
    ShelfView& shelfView() const { return *m_view; }
    // The arrival count drawn at the collapsed drawer's trailing end; 0 draws none.
    void setCount(int count);
    void setOnPress(std::function<void()> onPress) { m_onPress = std::move(onPress); }
    // Keys reach the panel only while the controller gave it the keyboard; true when the key was used.
    void setOnKey(std::function<bool(int qtKey)> onKey) { m_onKey = std::move(onKey); }
    // The arrival glow behind the collapsed drawer: the image, where it goes (window coordinates) and how
    // bright it is now (0 hides it).
    void setGlow(const QImage& image, const QRectF& placement, double level);
    // Seconds each recent paint took, for the frame-time benchmark.
    const RecentTimes& paintTimes() const { return m_paintTimes; }
    // The outline of a drawer occupying `drawer`, flush with the screen edge it hangs from.
    static QPainterPath outline(const QRectF& drawer, DisplayStylePosition edge);

    // The outline's corner radius for a drawer of this height.
    static double cornerRadius(const Rect& drawer);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The shelf shows once the drawer has grown to its open size, inside its rounded corners.
    void placeView();

    ShelfView* m_view;
    Rect m_drawer;
    double m_reveal = 0;
    DisplayStylePosition m_edge = DisplayStylePosition::top;
    std::function<void()> m_onPress;
    std::function<bool(int)> m_onKey;
    QImage m_glow;
    QRectF m_glowPlacement;
    double m_glowLevel = 0;
    int m_count = 0;
    RecentTimes m_paintTimes;
};

}  // namespace brimly
