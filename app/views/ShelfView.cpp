#include "app/views/ShelfView.h"

#include <QApplication>
#include <QDateTime>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <utility>

#include "app/views/EmptyShelfView.h"
#include "app/views/ShelfHeader.h"
#include "app/views/UndoToast.h"
#include "core/base/Overloaded.h"

namespace brimly {

namespace {
constexpr double headerHeight = 24;
constexpr double wheelStep = 48;
constexpr double rubberBand = 0.55;
constexpr double settleSeconds = 0.35;

// The store keeps an item's copy under "items/" and its 360-pixel thumbnail under "thumbs/" beside it; a
// picture without a thumbnail is decoded from its copy.
std::vector<std::string> thumbnailSources(const ShelfItem& item) {
    std::vector<std::string> paths;
    auto path = item.fileURL ? item.fileURL->path() : std::nullopt;
    if (!path) return paths;
    std::filesystem::path copy(*path);
    if (copy.parent_path().filename() == "items")
        paths.push_back((copy.parent_path().parent_path() / "thumbs" / (item.id + ".jpg")).string());
    if (item.kind == ShelfItemKind::image) paths.push_back(*path);
    return paths;
}

std::vector<std::string> turnIDs(const SessionGroup& group) {
    std::vector<std::string> ids;
    for (const Turn& turn : group.turns) ids.push_back(turn.id);
    return ids;
}
}  // namespace

ShelfView::ShelfView(ShelfModel& model, Options options, QWidget* parent)
    : QWidget(parent),
      m_model(model),
      m_options(options),
      m_alive(std::make_shared<ShelfView*>(this)),
      m_look(QApplication::font()),
      m_painter(m_look),
      m_thumbs({.cornerRadius = ViewLook::cardRadius}),
      m_header(new ShelfHeader(model, this)),
      m_toast(new UndoToast(model, this)),
      m_empty(new EmptyShelfView(model, this)),
      m_tips(m_look) {
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    m_clock.start();
    m_frames.setTimerType(Qt::PreciseTimer);
    m_frames.setInterval(16);
    QObject::connect(&m_frames, &QTimer::timeout, this, [this] { frame(); });
    m_minutes.setInterval(60 * 1000);
    QObject::connect(&m_minutes, &QTimer::timeout, this, [this] { refreshTimes(); });
    m_thumbs.setOnLoaded([this](const std::string&) { update(stripArea().toAlignedRect()); });
    model.observe([alive = std::weak_ptr<ShelfView*>(m_alive)](ShelfModel::Change change) {
        if (auto view = alive.lock()) (*view)->changed(change);
    });
    m_header->onTip([this](std::optional<TipBubble::Anchor> anchor) {
        m_tipAnchor = std::move(anchor);
        m_model.tips().pointerMoved(m_tipAnchor ? std::optional(m_tipAnchor->tip) : std::nullopt);
    });
    m_model.setLayout(m_kind);
    relayout();
    m_empty->refresh();
    m_toast->refresh();
}

ShelfView::~ShelfView() = default;

void ShelfView::changed(ShelfModel::Change change) {
    using Change = ShelfModel::Change;
    switch (change) {
        case Change::groups:
            relayout();
            m_header->refresh();
            m_empty->refresh();
            break;
        case Change::collapsed:
        case Change::fan:
            relayout();
            break;
        case Change::selection:
            if (m_relayingOut) break;
            relayout();
            revealSelection();
            break;
        case Change::hoveredItem:
            update(stripArea().toAlignedRect());
            break;
        case Change::drawerDisplays:
            // A drawer left closed for a while gives its decoded thumbnails back.
            if (!m_model.drawerDisplays().contains(m_options.display)) m_thumbs.clear();
            break;
        case Change::pendingUndo:
            m_toast->refresh();
            placeChildren();
            break;
        case Change::filter:
        case Change::unreadCount:
            m_header->refresh();
            break;
        case Change::claudeFound:
        case Change::watchesFolders:
            m_empty->refresh();
            break;
        case Change::arrivals:
        case Change::compare:
        case Change::tip:
            update();
            break;
        case Change::openScreen:
        case Change::menuOpen:
        case Change::busy:
            break;
    }
}

void ShelfView::setLayoutKind(ShelfLayoutKind kind) {
    if (kind == m_kind) return;
    m_kind = kind;
    m_scroll = StripScroll{};
    m_glide.reset();
    m_railOffset = 0;
    m_model.setLayout(kind);
    relayout();
}

QRectF ShelfView::stripArea() const {
    double top = headerHeight + ViewLook::grid;
    return QRectF(0, top, width(), std::max(0.0, height() - top));
}

double ShelfView::now() const { return double(m_clock.nsecsElapsed()) / 1e9; }

double ShelfView::viewportLength() const {
    QRectF strip = stripArea();
    return m_layout.vertical ? strip.height() : strip.width();
}

StripScroll::Limits ShelfView::limits() const {
    double viewport = viewportLength();
    return {.maxOffset = std::max(0.0, m_layout.length - viewport),
            .dimension = viewport,
            .coefficient = rubberBand,
            .settleDuration = settleSeconds * m_options.motionScale};
}

double ShelfView::scrollOffset() const {
    double t = now();
    if (m_glide && !m_glide->isOver(t)) return m_glide->position(t);
    return m_scroll.shown(t);
}

QRectF ShelfView::onScreen(const QRectF& content) const {
    QRectF strip = stripArea();
    double offset = scrollOffset();
    return m_layout.vertical ? content.translated(strip.left(), strip.top() - offset)
                             : content.translated(strip.left() - offset, strip.top());
}

void ShelfView::relayout() {
    m_relayingOut = true;
    m_layout = ShelfLayout::build({.kind = m_kind,
                                   .size = stripArea().size(),
                                   .groups = &m_model.groups(),
                                   .collapsed = &m_model.collapsed(),
                                   .fan = &m_model.fan(),
                                   .selectedItem = m_model.selectedItemID(),
                                   .selectedSession = m_model.selectedSessionID(),
                                   .metrics = m_metrics});
    m_windowDecks = m_layout.windowDecks();
    if (!m_layout.thumbSize.isEmpty()) m_thumbs.setSize(m_layout.thumbSize);
    // The rail always shows a session; the model selects it too, so the keyboard walks what is shown.
    if (m_layout.shownSession && m_model.selectedSessionID() != m_layout.shownSession->session.id)
        m_model.selectSession(m_layout.shownSession->session.id);
    m_relayingOut = false;
    m_railOffset = std::clamp(m_railOffset, 0.0, std::max(0.0, m_layout.railLength - stripArea().height()));
    StripScroll::Move move = m_scroll.refit(limits());
    if (move != StripScroll::Move::none()) m_glide.reset();
    scrolled();
    // The anchor's box belongs to the old layout. What the next paint finds under the resting pointer (the
    // paint shortens the titles) takes over: the same title keeps its tip showing, another lets it go.
    if (m_tipAnchor && !m_tipAnchor->inHeader) {
        m_tipAnchor.reset();
        m_reanchorTip = true;
    }
}

void ShelfView::placeChildren() {
    m_header->setGeometry(0, 0, width(), int(headerHeight));
    m_empty->setGeometry(stripArea().toRect());
    if (m_toast->isVisible()) {
        m_toast->adjustSize();
        QSize size = m_toast->size();
        size.setWidth(std::min(size.width(), width()));
        m_toast->setGeometry((width() - size.width()) / 2, height() - size.height(), size.width(),
                             size.height());
        m_toast->raise();
    }
}

void ShelfView::resizeEvent(QResizeEvent*) {
    placeChildren();
    relayout();
}

void ShelfView::showEvent(QShowEvent*) {
    m_header->refresh();
    m_empty->refresh();
    m_toast->refresh();
    placeChildren();
    relayout();
    m_minutes.start();
}

void ShelfView::hideEvent(QHideEvent*) {
    m_minutes.stop();
    m_tipAnchor.reset();
    m_pointer.reset();
    m_press.reset();
    m_frames.stop();
    m_glide.reset();
    reportVisible();
}

void ShelfView::perform(const StripScroll::Move& move, double before) {
    std::visit(Overloaded{
                   [](const StripScroll::Move::None&) {},
                   [this](const StripScroll::Move::Jump&) { m_glide.reset(); },
                   [this, before](const StripScroll::Move::Glide& glide) {
                       m_glide = ScrollSettle{.from = before,
                                              .to = glide.offset,
                                              .velocity = 0,
                                              .start = now(),
                                              .duration = settleSeconds * m_options.motionScale};
                   },
                   [this](const StripScroll::Move::Settle&) { m_glide.reset(); },
               },
               move.value);
    bool animating =
        (m_glide && !m_glide->isOver(now())) || (m_scroll.settle && !m_scroll.settle->isOver(now()));
    if (animating && !m_frames.isActive()) m_frames.start();
    scrolled();
}

void ShelfView::frame() {
    double t = now();
    bool glide = m_glide && !m_glide->isOver(t);
    bool settle = m_scroll.settle && !m_scroll.settle->isOver(t);
    // The timer runs only while the strip moves.
    if (!glide && !settle) {
        m_frames.stop();
        m_glide.reset();
    }
    scrolled();
}

void ShelfView::scrolled() {
    update(stripArea().toAlignedRect());
    reportVisible();
    loadNear();
}

void ShelfView::reportVisible() {
    std::set<std::string> ids;
    if (isVisible() && !m_empty->isVisible()) {
        QRectF strip = stripArea();
        double offset = scrollOffset();
        double length = viewportLength();
        for (const auto& deck : m_layout.decks) {
            double lower = m_layout.vertical ? deck.frame.top() : deck.frame.left();
            double upper = m_layout.vertical ? deck.frame.bottom() : deck.frame.right();
            if (upper < offset || lower > offset + length) continue;
            for (const auto& card : deck.cards) {
                if (onScreen(card.thumb).intersects(strip)) ids.insert(card.item->id);
            }
        }
    }
    if (ids == m_reported) return;
    m_reported = ids;
    m_model.setVisibleRegion(regionName, m_reported, m_options.display);
}

void ShelfView::loadNear() {
    if (!isVisible() || m_layout.decks.empty()) return;
    double offset = scrollOffset();
    double length = viewportLength();
    std::optional<StripWindow::Range> heading;
    // While the strip moves, the decks on its way to the resting offset load too.
    if (m_frames.isActive()) heading = StripWindow::Range{m_scroll.offset, m_scroll.offset + length};
    auto near = StripWindow::near(m_windowDecks, {offset, offset + length}, heading,
                                  m_layout.windowMetrics(m_metrics));
    if (!near) return;
    for (const auto& deck : m_layout.decks) {
        if (!near->contains(deck.id)) continue;
        for (const auto& card : deck.cards) {
            std::string key = ShelfPainter::thumbKey(*card.item);
            if (m_thumbs.isKnown(key)) continue;
            auto sources = thumbnailSources(*card.item);
            if (!sources.empty()) m_thumbs.request(key, std::move(sources));
        }
    }
}

void ShelfView::revealSelection() {
    const auto& selected = m_model.selectedItemID();
    if (!selected) return;
    for (const auto& deck : m_layout.decks) {
        for (const auto& card : deck.cards) {
            if (card.item->id != *selected) continue;
            double lower = m_layout.vertical ? card.frame.top() : card.frame.left();
            double upper = m_layout.vertical ? card.frame.bottom() : card.frame.right();
            double offset = m_scroll.offset;
            double length = viewportLength();
            double delta = 0;
            if (lower < offset) {
                delta = lower - ViewLook::grid - offset;
            } else if (upper > offset + length) {
                delta = upper + ViewLook::grid - (offset + length);
            }
            if (delta == 0) return;
            // The glide starts where the strip stands now; the move already holds its end.
            double before = scrollOffset();
            perform(m_scroll.handle({StripScroll::Input::Reveal{delta}}, now(), limits()), before);
            return;
        }
    }
}

void ShelfView::paintEvent(QPaintEvent*) {
    if (m_empty->isVisible()) return;
    RecentTimes::Scope timed(m_paintTimes);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QRectF strip = stripArea();
    painter.setClipRect(strip);
    ShelfPainter::Marks marks{
        .now = dateFromUnix(double(QDateTime::currentMSecsSinceEpoch()) / 1000),
        .zone = m_options.zone,
        .dots = &m_model.dotIDs(),
        .hovered = m_model.hoveredItem(),
        .selected = m_model.selectedItemID(),
        .strip = m_layout.strip,
    };
    double offset = scrollOffset();
    double length = viewportLength();
    if (m_layout.railWidth > 0) {
        painter.save();
        painter.translate(strip.left(), strip.top() - m_railOffset);
        for (const auto& row : m_layout.rail) {
            if (row.frame.bottom() < m_railOffset || row.frame.top() > m_railOffset + strip.height())
                continue;
            m_painter.paintRailRow(painter, row, row.group == m_layout.shownSession, marks);
        }
        painter.restore();
        double divider = strip.left() + m_layout.railWidth + m_metrics.railBetween / 2;
        painter.setPen(QPen(ViewLook::divider(), 1));
        painter.drawLine(QPointF(divider, strip.top()), QPointF(divider, strip.bottom()));
        painter.translate(strip.left(), strip.top() - offset);
    } else if (m_layout.vertical) {
        painter.translate(strip.left(), strip.top() - offset);
    } else {
        painter.translate(strip.left() - offset, strip.top());
    }
    if (m_layout.rowsScroll) {
        for (const auto& row : m_layout.rail) {
            if (row.frame.bottom() < offset || row.frame.top() > offset + length) continue;
            m_painter.paintRailRow(painter, row, row.group == m_layout.shownSession, marks);
        }
    }
    for (const auto& deck : m_layout.decks) {
        double lower = m_layout.vertical ? deck.frame.top() : deck.frame.left();
        double upper = m_layout.vertical ? deck.frame.bottom() : deck.frame.right();
        if (upper < offset || lower > offset + length) continue;
        if (m_layout.strip && deck.startsSession && &deck != &m_layout.decks.front()) {
            // Sessions stand apart by a divider in the middle of the wider gap before them.
            QRectF f = deck.frame;
            double at = (m_layout.vertical ? f.top() : f.left()) - m_metrics.gap;
            painter.setPen(QPen(ViewLook::divider(), 1));
            if (m_layout.vertical) {
                painter.drawLine(QPointF(f.left() + 2, at), QPointF(f.right() - 2, at));
            } else {
                painter.drawLine(QPointF(at, f.top() + 2), QPointF(at, f.bottom() - 2));
            }
        }
        m_painter.paintDeck(painter, deck, marks, m_thumbs);
    }
    if (std::exchange(m_reanchorTip, false)) pointAt(m_pointer ? hitTest(*m_pointer) : Hit{});
    if (auto bubble = tipFrame()) {
        painter.resetTransform();
        m_tips.paint(painter, *m_model.tips().shown(), *bubble);
    }
}

std::optional<QRectF> ShelfView::tipFrame() const {
    const auto& shown = m_model.tips().shown();
    if (!shown || !m_tipAnchor || m_tipAnchor->tip != *shown) return std::nullopt;
    // A header tip drops below the header, over the strip (the header's buttons would cover it otherwise);
    // the strip's own stay inside the strip.
    if (m_tipAnchor->inHeader)
        return m_tips.frame(*shown, m_tipAnchor->content, QRectF(rect()).adjusted(0, headerHeight, 0, 0));
    if (m_empty->isVisible()) return std::nullopt;
    return m_tips.frame(*shown, onScreen(m_tipAnchor->content), stripArea());
}

void ShelfView::refreshTimes() {
    // Texts are made once per layout and carry the relative time; dropping them rewrites it at the next
    // paint.
    for (const auto& deck : m_layout.decks) {
        deck.texts.reset();
        for (const auto& card : deck.cards) card.texts.reset();
    }
    update();
}

ShelfView::Hit ShelfView::hitTest(QPointF at) const {
    QRectF strip = stripArea();
    Hit hit;
    if (!strip.contains(at) || m_empty->isVisible()) return hit;
    QPointF local = at - strip.topLeft();
    if (local.x() < m_layout.railWidth) {
        for (const auto& row : m_layout.rail) {
            if (row.frame.contains(local + QPointF(0, m_railOffset))) hit.row = &row;
        }
        return hit;
    }
    double offset = scrollOffset();
    QPointF content = m_layout.vertical ? local + QPointF(0, offset) : local + QPointF(offset, 0);
    if (m_layout.rowsScroll) {
        for (const auto& row : m_layout.rail) {
            if (!row.frame.contains(content)) continue;
            hit.row = &row;
            return hit;
        }
    }
    for (const auto& deck : m_layout.decks) {
        if (!deck.frame.contains(content)) continue;
        hit.deck = &deck;
        if (deck.header.contains(content) || !deck.turn) {
            hit.header = true;
            return hit;
        }
        for (const auto& card : deck.cards) {
            if (card.frame.contains(content)) hit.card = &card;
        }
        return hit;
    }
    return hit;
}

const ShelfItem* ShelfView::findItem(const std::string& id) const {
    for (const auto& group : m_model.groups()) {
        for (const auto& turn : group.turns) {
            for (const auto& item : turn.items) {
                if (item.id == id) return &item;
            }
        }
    }
    return nullptr;
}

void ShelfView::clicked(const Hit& hit) {
    // Each model call below may rebuild the layout the hit points into, so what it needs is copied first.
    if (hit.row) {
        std::string session = hit.row->group->session.id;
        m_scroll = StripScroll{};
        m_glide.reset();
        m_model.selectSession(session);
        return;
    }
    if (!hit.deck) return;
    const auto& deck = *hit.deck;
    if (hit.header) {
        if (!deck.turn) {
            m_model.toggleCollapsed(deck.id);
        } else if (m_layout.strip && deck.startsSession) {
            m_model.toggleCollapsed(deck.group->session.id, turnIDs(*deck.group));
        } else if (!m_layout.strip) {
            m_model.toggleCollapsed(deck.id);
        }
        return;
    }
    if (!hit.card) return;
    ShelfItem item = *hit.card->item;
    if (deck.piled) {
        const auto& selected = m_model.selectedItemID();
        bool holds = selected && std::any_of(deck.turn->items.begin(), deck.turn->items.end(),
                                             [&](const ShelfItem& i) { return i.id == *selected; });
        if (m_model.clickDeck(deck.id, deck.turn->items.size(), holds)) return;
    }
    m_model.selectItem(item.id);
    if (m_actions.open) m_actions.open(item);
}

void ShelfView::wheelEvent(QWheelEvent* event) {
    event->accept();
    QPointF angle = event->angleDelta();
    QPointF pixel = event->pixelDelta();
    QRectF strip = stripArea();
    auto along = [](QPointF delta) {
        return std::abs(delta.x()) > std::abs(delta.y()) ? -delta.x() : -delta.y();
    };
    double steps = along(angle) / 120 * wheelStep;
    if (event->position().x() < strip.left() + m_layout.railWidth) {
        double by = pixel.isNull() ? steps : along(pixel);
        m_railOffset =
            std::clamp(m_railOffset + by, 0.0, std::max(0.0, m_layout.railLength - strip.height()));
        update(strip.toAlignedRect());
        return;
    }
    using Input = StripScroll::Input;
    double t = now();
    std::optional<Input> input;
    if (!pixel.isNull() && event->phase() != Qt::NoScrollPhase) {
        switch (event->phase()) {
            case Qt::ScrollBegin:
                m_inMomentum = false;
                break;
            case Qt::ScrollUpdate:
                input = Input{Input::Touch{along(pixel)}};
                break;
            case Qt::ScrollMomentum:
                m_inMomentum = true;
                input = Input{Input::Momentum{along(pixel), t}};
                break;
            case Qt::ScrollEnd:
                input = m_inMomentum ? Input{Input::MomentumEnded{}} : Input{Input::Lifted{}};
                m_inMomentum = false;
                break;
            case Qt::NoScrollPhase:
                break;
        }
    } else {
        input = Input{Input::Line{pixel.isNull() ? steps : along(pixel)}};
    }
    if (input) perform(m_scroll.handle(*input, t, limits()));
}

void ShelfView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    QPointF at = event->position();
    Hit hit = hitTest(at);
    if (event->button() == Qt::RightButton) {
        if (hit.card && m_actions.contextMenu) {
            ShelfItem item = *hit.card->item;
            m_actions.contextMenu(item, event->globalPosition().toPoint());
        }
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    if (m_tipAnchor) m_model.tips().clicked(m_tipAnchor->tip);
    m_model.presses().pressBegan();
    double t = now();
    perform(m_scroll.handle({StripScroll::Input::Press{}}, t, limits()));
    m_press = Press{.at = at, .hit = hit, .offset = m_scroll.offset, .lastAt = at, .lastTime = t};
}

void ShelfView::mouseMoveEvent(QMouseEvent* event) {
    QPointF at = event->position();
    if (!m_press) {
        m_pointer = at;
        Hit hit = hitTest(at);
        m_model.setHoveredItem(hit.card ? std::optional(hit.card->item->id) : std::nullopt);
        pointAt(hit);
        return;
    }
    Press& press = *m_press;
    if (!press.scrolling && (at - press.at).manhattanLength() < QApplication::startDragDistance()) return;
    m_model.presses().dragged();
    if (press.hit.card && !press.scrolling) {
        ShelfItem item = *press.hit.card->item;
        m_press.reset();
        if (m_actions.dragOut) m_actions.dragOut(item, this);
        return;
    }
    if (press.hit.row) return;
    press.scrolling = true;
    double t = now();
    auto along = [this](QPointF delta) { return m_layout.vertical ? delta.y() : delta.x(); };
    if (t > press.lastTime) press.velocity = -along(at - press.lastAt) / (t - press.lastTime);
    press.lastAt = at;
    press.lastTime = t;
    perform(m_scroll.drag(press.offset - along(at - press.at), limits()));
}

void ShelfView::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_press || event->button() != Qt::LeftButton) return;
    Press press = *m_press;
    m_press.reset();
    if (press.scrolling) {
        // The strip coasts on a little, as far as the drag's last speed carries it.
        double target = m_scroll.offset + press.velocity * 0.2 * m_options.motionScale;
        perform(m_scroll.release(target, press.velocity, now(), limits()));
        return;
    }
    if (m_model.presses().allowsTap()) clicked(hitTest(event->position()));
}

void ShelfView::leaveEvent(QEvent*) {
    if (!m_press) m_model.setHoveredItem(std::nullopt);
    m_pointer.reset();
    pointAt({});
}

void ShelfView::pointAt(const Hit& hit) {
    m_tipAnchor = hit.deck ? m_tips.anchor(*hit.deck, hit.card) : std::nullopt;
    m_model.tips().pointerMoved(m_tipAnchor ? std::optional(m_tipAnchor->tip) : std::nullopt);
}

bool ShelfView::handleKey(int key, Qt::KeyboardModifiers modifiers) {
    using Direction = ShelfSelection::Direction;
    const auto& selected = m_model.selectedItemID();
    switch (key) {
        case Qt::Key_Left:
            m_model.moveSelection(Direction::left);
            return true;
        case Qt::Key_Right:
            m_model.moveSelection(Direction::right);
            return true;
        case Qt::Key_Up:
            m_model.moveSelection(Direction::up);
            return true;
        case Qt::Key_Down:
            m_model.moveSelection(Direction::down);
            return true;
        case Qt::Key_Space:
            if (const ShelfItem* item = selected ? findItem(*selected) : nullptr; item && m_actions.open) {
                ShelfItem copy = *item;
                m_actions.open(copy);
            }
            return true;
        case Qt::Key_Delete:
        case Qt::Key_Backspace:
            if (const ShelfItem* item = selected ? findItem(*selected) : nullptr) {
                ShelfItem copy = *item;
                m_model.hide(copy);
            }
            return true;
        case Qt::Key_Z:
            if (!(modifiers & Qt::ControlModifier)) return false;
            m_model.undo();
            return true;
        default:
            return false;
    }
}

}  // namespace brimly
