#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "app/qt/RecentTimes.h"
#include "app/shelf/ShelfModel.h"
#include "app/views/ItemActions.h"
#include "app/views/ShelfLayout.h"
#include "app/views/ShelfPainter.h"
#include "app/views/ThumbnailCache.h"
#include "app/views/TipBubble.h"
#include "app/views/ViewLook.h"
#include "core/base/TimeZone.h"
#include "core/drawer/DisplayID.h"
#include "core/drawer/ShelfLayoutKind.h"
#include "core/drawer/StripScroll.h"

namespace brimly {

class EmptyShelfView;
class ShelfHeader;
class UndoToast;

// The open drawer's content on one display: the header, the shelf in the chosen layout (a strip of decks,
// a session rail beside the selected session's turns, or their narrow vertical forms on side pills), the
// undo toast, the empty state and the tip bubble the model shows for a shortened text. It scrolls the shelf
// through `StripScroll`, loads thumbnails only for decks near the visible part, and reports the cards
// actually in view to the model. Main thread only.
class ShelfView final : public QWidget {
public:
    struct Options {
        DisplayID display = 0;
        double motionScale = 1;
        TimeZone zone = TimeZone::local();
    };
    // The name of the region this view reports its visible cards under.
    static constexpr const char* regionName = "shelf";

    ShelfView(ShelfModel& model, Options options, QWidget* parent = nullptr);
    ~ShelfView() override;

    void setLayoutKind(ShelfLayoutKind kind);
    ShelfLayoutKind layoutKind() const { return m_kind; }
    void setActions(ItemActions actions) { m_actions = std::move(actions); }
    // Space opens the selected item, Delete and Backspace hide it, Ctrl+Z undoes, arrows move the
    // selection; true when the key was used.
    bool handleKey(int key, Qt::KeyboardModifiers modifiers);

    ShelfHeader& header() const { return *m_header; }
    UndoToast& toast() const { return *m_toast; }
    EmptyShelfView& emptyState() const { return *m_empty; }
    ThumbnailCache& thumbnails() { return m_thumbs; }
    const ShelfLayout& shelfLayout() const { return m_layout; }
    // The area the shelf scrolls in, in this widget's coordinates.
    QRectF stripArea() const;
    // Where a card is in this widget's coordinates at the current scroll position.
    QRectF onScreen(const QRectF& content) const;
    double scrollOffset() const;
    // The ids last reported to the model as visible.
    const std::set<std::string>& reportedVisible() const { return m_reported; }
    // Seconds each recent paint took, for the scrolling benchmark.
    const RecentTimes& paintTimes() const { return m_paintTimes; }
    // Where the tip bubble is drawn, in this widget's coordinates; absent while no tip of this view shows.
    std::optional<QRectF> tipFrame() const;
    // Card and header times are rewritten once a minute while the view is shown.
    const QTimer& timeRefresh() const { return m_minutes; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct Hit {
        const ShelfLayout::Deck* deck = nullptr;
        const ShelfLayout::Card* card = nullptr;
        const ShelfLayout::RailRow* row = nullptr;
        bool header = false;
    };
    struct Press {
        QPointF at;
        Hit hit;
        double offset = 0;
        bool scrolling = false;
        QPointF lastAt;
        double lastTime = 0;
        double velocity = 0;
    };

    void changed(ShelfModel::Change change);
    void relayout();
    void placeChildren();
    double now() const;
    StripScroll::Limits limits() const;
    double viewportLength() const;
    // `before` is where a glide starts from.
    void perform(const StripScroll::Move& move, double before = 0);
    void frame();
    void scrolled();
    void reportVisible();
    void loadNear();
    void revealSelection();
    Hit hitTest(QPointF at) const;
    const ShelfItem* findItem(const std::string& id) const;
    void clicked(const Hit& hit);
    void pointAt(const Hit& hit);
    void refreshTimes();

    ShelfModel& m_model;
    Options m_options;
    // Observers stay with the model after this view goes; they find it gone through this.
    std::shared_ptr<ShelfView*> m_alive;
    ViewLook m_look;
    ShelfPainter m_painter;
    ItemActions m_actions;
    ShelfLayoutKind m_kind = ShelfLayoutKind::stacks;
    ShelfLayout::Metrics m_metrics;
    ShelfLayout m_layout;
    bool m_relayingOut = false;
    ThumbnailCache m_thumbs;

    ShelfHeader* m_header;
    UndoToast* m_toast;
    EmptyShelfView* m_empty;

    QElapsedTimer m_clock;
    StripScroll m_scroll;
    // A reveal glides from where the strip stood to its new offset.
    std::optional<ScrollSettle> m_glide;
    double m_railOffset = 0;
    QTimer m_frames;
    std::vector<StripWindow::Deck> m_windowDecks;
    std::optional<Press> m_press;
    bool m_inMomentum = false;
    std::set<std::string> m_reported;
    RecentTimes m_paintTimes;
    TipBubble m_tips;
    // The shortened text last reported to the model's tip centre.
    std::optional<TipBubble::Anchor> m_tipAnchor;
    // Where the pointer rests over the view, for finding the tip's anchor again after a relayout.
    std::optional<QPointF> m_pointer;
    bool m_reanchorTip = false;
    QTimer m_minutes;
};

}  // namespace brimly
