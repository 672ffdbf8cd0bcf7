#include "app/items/CompareViewer.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QCursor>
#include <QDateTime>
#include <QGuiApplication>
#include <QImageReader>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <set>

#include "app/items/WindowStyle.h"
#include "core/shelf/CompareGeometry.h"
#include "core/shelf/CompareNavigation.h"

namespace brimly {

namespace {

constexpr int barHeight = 44;
constexpr int captionHeight = 24;
constexpr int padding = 14;
const QColor background(28, 28, 30);
const QColor foreground(235, 235, 240);
const QColor quiet(150, 150, 158);
const QColor accent(10, 132, 255);

QString timeText(Date date) {
    QDateTime at = QDateTime::fromSecsSinceEpoch(static_cast<qint64>(unixFromDate(date)));
    bool today = at.date() == QDate::currentDate();
    return at.toString(today ? "HH:mm:ss" : "d MMM HH:mm:ss");
}

std::vector<Url> urlsOf(const std::vector<ItemVersion>& versions) {
    std::vector<Url> urls;
    for (const auto& version : versions) urls.push_back(version.fileURL);
    return urls;
}

QRectF toQt(const Rect& rect) { return QRectF(rect.x, rect.y, rect.width, rect.height); }

}  // namespace

CompareViewer::CompareViewer(Callbacks callbacks, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_callbacks(std::move(callbacks)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::StrongFocus);
    setStyleSheet(windowStyleSheet);
    setMouseTracking(true);
    setWindowTitle("Compare Versions");
    m_modes = new QButtonGroup(this);
    m_modes->setExclusive(true);
    for (auto [mode, title] : {std::pair{CompareMode::step, "Step"}, std::pair{CompareMode::wipe, "Wipe"},
                               std::pair{CompareMode::difference, "Difference"}}) {
        auto* button = new QPushButton(title, this);
        button->setCheckable(true);
        button->setFocusPolicy(Qt::NoFocus);
        m_modes->addButton(button, CompareModes::rawValue(mode));
    }
    connect(m_modes, &QButtonGroup::idClicked, this, [this](int raw) {
        if (auto mode = CompareModes::fromRawValue(raw)) setMode(*mode);
    });
    m_closeButton = new QPushButton("\u2715", this);
    m_closeButton->setObjectName("close");
    m_closeButton->setFixedSize(28, 28);
    m_closeButton->setAccessibleName("Close");
    m_closeButton->setFocusPolicy(Qt::NoFocus);
    connect(m_closeButton, &QPushButton::clicked, this, &QWidget::close);
}

void CompareViewer::showItem(const ShelfItem& item) {
    m_item = item;
    m_versions = item.allVersions();
    m_images.clear();
    m_index = std::max(0, versionCount() - 1);
    m_mode = CompareMode::step;
    m_wipe = 0.5;
    setWindowTitle(QString::fromStdString(item.title));
    placeOnScreen();
    changed();
    show();
    raise();
    activateWindow();
    setFocus();
}

void CompareViewer::updateItem(const ShelfItem& item) {
    std::vector<ItemVersion> versions = item.allVersions();
    if (m_item && versions == m_versions) {
        m_item = item;
        return;
    }
    std::optional<Url> shown;
    if (m_index < versionCount()) shown = m_versions[static_cast<std::size_t>(m_index)].fileURL;
    bool wasNewest = m_index == versionCount() - 1;
    m_item = item;
    m_versions = std::move(versions);
    m_index = CompareNavigation::follow(shown, wasNewest, urlsOf(m_versions));
    std::set<std::string> kept;
    for (const auto& version : m_versions) kept.insert(version.fileURL.string());
    std::erase_if(m_images, [&](const auto& entry) { return !kept.contains(entry.first); });
    changed();
}

CompareMode CompareViewer::shownMode() const { return CompareNavigation::effective(m_mode, m_index); }

void CompareViewer::setMode(CompareMode mode) {
    m_mode = mode;
    changed();
}

void CompareViewer::cycleMode(int delta) { setMode(CompareNavigation::cycle(m_mode, delta)); }

void CompareViewer::step(int delta) { setIndex(CompareNavigation::step(m_index, delta, versionCount())); }

void CompareViewer::pickVersion(double x, double width) {
    setIndex(CompareNavigation::version(x, width, versionCount()));
}

void CompareViewer::dragWipe(double x, double width) {
    m_wipe = CompareNavigation::wipe(x, width);
    changed();
}

void CompareViewer::setIndex(int index) {
    if (index == m_index) return;
    m_index = index;
    changed();
}

void CompareViewer::changed() {
    if (auto* button = m_modes->button(CompareModes::rawValue(m_mode))) button->setChecked(true);
    setAccessibleDescription(accessibleText());
    update();
}

QString CompareViewer::caption() const {
    if (m_versions.empty()) return {};
    auto version = [&](int index) {
        return QString("Version %1 (%2)")
            .arg(index + 1)
            .arg(timeText(m_versions[static_cast<std::size_t>(index)].createdAt));
    };
    QString of = QString(" of %1").arg(versionCount());
    switch (shownMode()) {
        case CompareMode::step:
            return version(m_index) + of;
        case CompareMode::wipe:
            return version(m_index - 1) + "  |  " + version(m_index) + of;
        case CompareMode::difference:
            return version(m_index - 1) + "  \u2212  " + version(m_index) + of;
    }
    return {};
}

QString CompareViewer::accessibleText() const {
    if (!m_item) return {};
    int number = m_index + 1;
    switch (shownMode()) {
        case CompareMode::step:
            return QString("%1, version %2").arg(QString::fromStdString(m_item->title)).arg(number);
        case CompareMode::wipe:
            return QString("Swipe between version %1 and %2, %3 percent")
                .arg(number - 1)
                .arg(number)
                .arg(static_cast<int>(std::lround(m_wipe * 100)));
        case CompareMode::difference:
            return QString("Difference between version %1 and %2").arg(number - 1).arg(number);
    }
    return {};
}

QRect CompareViewer::canvasRect() const {
    return rect().adjusted(padding, barHeight, -padding, -(stripHeight + captionHeight + padding));
}

QRect CompareViewer::stripRect() const {
    return QRect(padding, height() - stripHeight - padding, width() - 2 * padding, stripHeight);
}

void CompareViewer::placeOnScreen() {
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    QRect area = screen->availableGeometry();
    // Without a drawer to avoid the surface is centred, so flipping the y axis would change nothing.
    Rect surface =
        CompareGeometry::surface(Rect{static_cast<double>(area.x()), static_cast<double>(area.y()),
                                      static_cast<double>(area.width()), static_cast<double>(area.height())},
                                 std::nullopt);
    setGeometry(toQt(surface).toRect());
}

void CompareViewer::layoutControls() {
    int x = width() - m_closeButton->width() - 8;
    m_closeButton->move(x, (barHeight - m_closeButton->height()) / 2);
    auto buttons = m_modes->buttons();
    for (auto it = buttons.rbegin(); it != buttons.rend(); ++it) {
        (*it)->adjustSize();
        x -= (*it)->width() + 4;
        (*it)->move(x, (barHeight - (*it)->height()) / 2);
    }
}

const QImage& CompareViewer::image(int index) {
    const Url& url = m_versions[static_cast<std::size_t>(index)].fileURL;
    auto found = m_images.find(url.string());
    if (found == m_images.end()) {
        QImageReader reader(QString::fromStdString(url.filePath()));
        reader.setAutoTransform(true);
        found = m_images.emplace(url.string(), reader.read()).first;
    }
    return found->second;
}

void CompareViewer::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
    painter.fillPath(outline, background);
    painter.setPen(QColor(255, 255, 255, 40));
    painter.drawPath(outline);

    int titleWidth = std::max(0, m_modes->buttons().front()->x() - 2 * padding);
    painter.setPen(foreground);
    QString title = m_item ? QString::fromStdString(m_item->title) : QString();
    painter.drawText(QRect(padding, 0, titleWidth, barHeight), Qt::AlignVCenter | Qt::AlignLeft,
                     painter.fontMetrics().elidedText(title, Qt::ElideMiddle, titleWidth));

    if (m_versions.empty()) return;
    paintCanvas(painter, canvasRect());
    QRect captionRect(padding, canvasRect().bottom() + 1, width() - 2 * padding, captionHeight);
    painter.setPen(quiet);
    painter.drawText(captionRect, Qt::AlignCenter,
                     isNothingEarlier() ? QString("Nothing earlier to compare") : caption());
    paintStrip(painter, stripRect());
}

void CompareViewer::paintCanvas(QPainter& painter, QRect area) {
    CompareMode shown = shownMode();
    const QImage& current = image(m_index);
    const QImage& previous = shown == CompareMode::step ? current : image(m_index - 1);
    if (current.isNull() || previous.isNull()) {
        painter.setPen(quiet);
        painter.drawText(area, Qt::AlignCenter, "This version can no longer be read");
        return;
    }
    auto toSize = [](const QImage& image) {
        return Size{static_cast<double>(image.width()), static_cast<double>(image.height())};
    };
    auto rects =
        CompareGeometry::overlay(toSize(previous), toSize(current),
                                 Rect{static_cast<double>(area.x()), static_cast<double>(area.y()),
                                      static_cast<double>(area.width()), static_cast<double>(area.height())});
    if (!rects) return;
    QRectF before = toQt(rects->first);
    QRectF after = toQt(rects->second);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setClipRect(area);
    switch (shown) {
        case CompareMode::step:
            painter.drawImage(after, current);
            break;
        case CompareMode::wipe: {
            double divider = area.x() + m_wipe * area.width();
            painter.setClipRect(QRectF(area.x(), area.y(), divider - area.x(), area.height()));
            painter.drawImage(before, previous);
            painter.setClipRect(QRectF(divider, area.y(), area.right() + 1 - divider, area.height()));
            painter.drawImage(after, current);
            painter.setClipRect(area);
            painter.setPen(QPen(Qt::white, 2));
            painter.drawLine(QPointF(divider, area.top()), QPointF(divider, area.bottom()));
            painter.setBrush(Qt::white);
            painter.drawEllipse(QPointF(divider, area.center().y()), 7, 7);
            break;
        }
        case CompareMode::difference: {
            // Composed off screen on black, so the difference never mixes with the window's own background.
            QImage composed(area.size(), QImage::Format_ARGB32_Premultiplied);
            composed.fill(Qt::black);
            QPainter offscreen(&composed);
            offscreen.setRenderHint(QPainter::SmoothPixmapTransform);
            offscreen.translate(-area.topLeft());
            offscreen.drawImage(before, previous);
            offscreen.setCompositionMode(QPainter::CompositionMode_Difference);
            offscreen.drawImage(after, current);
            offscreen.end();
            painter.drawImage(area.topLeft(), composed);
            break;
        }
    }
    painter.restore();
}

void CompareViewer::paintStrip(QPainter& painter, QRect area) {
    int count = versionCount();
    double width = static_cast<double>(area.width()) / count;
    CompareMode shown = shownMode();
    for (int i = 0; i < count; ++i) {
        QRectF cell(area.x() + i * width + 2, area.y(), width - 4, area.height());
        bool selected = i == m_index;
        bool paired = shown != CompareMode::step && i == m_index - 1;
        painter.setPen(Qt::NoPen);
        painter.setBrush(selected ? accent : paired ? QColor(70, 90, 120) : QColor(52, 52, 58));
        painter.drawRoundedRect(cell, 8, 8);
        painter.setPen(selected ? Qt::white : foreground);
        painter.drawText(cell.adjusted(4, 6, -4, -area.height() / 2), Qt::AlignCenter,
                         QString("Version %1").arg(i + 1));
        painter.setPen(selected ? Qt::white : quiet);
        painter.drawText(cell.adjusted(4, area.height() / 2, -4, -6), Qt::AlignCenter,
                         timeText(m_versions[static_cast<std::size_t>(i)].createdAt));
    }
}

void CompareViewer::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Space:
            close();
            return;
        case Qt::Key_Left:
            step(-1);
            return;
        case Qt::Key_Right:
            step(1);
            return;
        case Qt::Key_Home:
            step(-versionCount());
            return;
        case Qt::Key_End:
            step(versionCount());
            return;
        case Qt::Key_Tab:
            cycleMode(1);
            return;
        case Qt::Key_Backtab:
            cycleMode(-1);
            return;
        case Qt::Key_1:
        case Qt::Key_2:
        case Qt::Key_3:
            if (auto mode = CompareModes::fromRawValue(event->key() - Qt::Key_1)) setMode(*mode);
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

bool CompareViewer::focusNextPrevChild(bool) { return false; }

void CompareViewer::mousePressEvent(QMouseEvent* event) {
    m_drag = Drag::none;
    if (event->button() != Qt::LeftButton) return;
    if (stripRect().contains(event->position().toPoint())) {
        m_drag = Drag::strip;
    } else if (shownMode() == CompareMode::wipe && canvasRect().contains(event->position().toPoint())) {
        m_drag = Drag::wipe;
    }
    pointerAt(event->position());
}

void CompareViewer::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) pointerAt(event->position());
}

void CompareViewer::pointerAt(QPointF position) {
    switch (m_drag) {
        case Drag::strip:
            pickVersion(position.x() - stripRect().x(), stripRect().width());
            break;
        case Drag::wipe:
            dragWipe(position.x() - canvasRect().x(), canvasRect().width());
            break;
        case Drag::none:
            break;
    }
}

void CompareViewer::resizeEvent(QResizeEvent*) { layoutControls(); }

void CompareViewer::closeEvent(QCloseEvent* event) {
    event->accept();
    if (m_callbacks.closed) m_callbacks.closed();
}

}  // namespace brimly
