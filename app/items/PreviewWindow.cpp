#include "app/items/PreviewWindow.h"

#include <QCursor>
#include <QGuiApplication>
#include <QImageReader>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "app/items/DragData.h"
#include "app/items/PdfPages.h"
#include "app/items/WindowStyle.h"

namespace brimly {

namespace {

constexpr int titleHeight = 40;
constexpr int footerHeight = 32;
constexpr int padding = 16;
// Pages render once at this size and scale from there, so zooming and resizing stay instant.
constexpr int pdfSide = 2000;
const QColor background(28, 28, 30);
const QColor foreground(235, 235, 240);
const QColor quiet(150, 150, 158);

QString glyphText(ShelfItemKind kind) {
    switch (kind) {
        case ShelfItemKind::image:
            return "IMG";
        case ShelfItemKind::html:
            return "HTML";
        case ShelfItemKind::pdf:
            return "PDF";
        case ShelfItemKind::document:
            return "DOC";
        case ShelfItemKind::video:
            return "VIDEO";
        case ShelfItemKind::audio:
            return "AUDIO";
        case ShelfItemKind::artifact:
            return "LINK";
        case ShelfItemKind::file:
            return "FILE";
    }
    return "FILE";
}

QImage readImage(const std::string& path) {
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    return reader.read();
}

}  // namespace

PreviewWindow::PreviewWindow(Callbacks callbacks, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_callbacks(std::move(callbacks)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::StrongFocus);
    setStyleSheet(windowStyleSheet);
    setWindowTitle("Preview");
    m_openButton = new QPushButton("Open", this);
    m_showButton = new QPushButton("Show in Files", this);
    m_closeButton = new QPushButton("\u2715", this);
    m_closeButton->setObjectName("close");
    m_closeButton->setFixedSize(28, 28);
    m_closeButton->setAccessibleName("Close");
    for (auto* button : {m_openButton, m_showButton, m_closeButton}) button->setFocusPolicy(Qt::NoFocus);
    connect(m_openButton, &QPushButton::clicked, this, [this] {
        if (m_item && m_callbacks.open) m_callbacks.open(*m_item);
    });
    connect(m_showButton, &QPushButton::clicked, this, [this] {
        if (m_item && m_callbacks.showInFiles) m_callbacks.showInFiles(*m_item);
    });
    connect(m_closeButton, &QPushButton::clicked, this, &QWidget::close);
}

void PreviewWindow::showItem(const ShelfItem& item) {
    m_item = item;
    m_zoom = 1;
    m_pan = {};
    m_page = 0;
    m_pageCount = 0;
    m_image = {};
    m_content = Content::other;
    auto file = DragData::itemFile(item);
    if (file && item.kind == ShelfItemKind::image) {
        m_image = readImage(*file);
        if (!m_image.isNull()) m_content = Content::image;
    } else if (file && item.kind == ShelfItemKind::pdf) {
        if (auto pages = PdfPages::pageCount(*file)) {
            m_pageCount = *pages;
            renderPage();
            if (!m_image.isNull()) m_content = Content::pdf;
        }
    }
    m_showButton->setEnabled(file.has_value() || item.sourcePath.has_value());
    m_openButton->setEnabled(file.has_value() || item.remoteURL.has_value());
    setWindowTitle(QString::fromStdString(item.title));
    setAccessibleName(QString::fromStdString(item.title));
    placeOnScreen();
    layoutButtons();
    show();
    raise();
    activateWindow();
    setFocus();
    update();
}

void PreviewWindow::setZoom(double zoom) {
    m_zoom = std::clamp(zoom, minZoom, maxZoom);
    if (m_zoom == 1) m_pan = {};
    update();
}

void PreviewWindow::setPage(int page) {
    if (m_content != Content::pdf) return;
    int clamped = std::clamp(page, 0, std::max(0, m_pageCount - 1));
    if (clamped == m_page) return;
    m_page = clamped;
    m_pan = {};
    renderPage();
    update();
}

void PreviewWindow::renderPage() {
    if (auto file = m_item ? DragData::itemFile(*m_item) : std::nullopt)
        m_image = PdfPages::render(*file, m_page, pdfSide);
}

QRect PreviewWindow::contentRect() const {
    int bottom = m_content == Content::pdf ? footerHeight : padding;
    return rect().adjusted(padding, titleHeight, -padding, -bottom);
}

void PreviewWindow::placeOnScreen() {
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    QRect area = screen->availableGeometry();
    QSize largest(area.width() * 4 / 5, area.height() * 4 / 5);
    QSize wanted(640, 480);
    if (m_content == Content::image) {
        wanted = m_image.size().grownBy({padding, titleHeight, padding, padding});
    } else if (m_content == Content::pdf) {
        wanted = QSize(largest.height() * 3 / 4, largest.height());
    }
    QSize size = wanted.boundedTo(largest).expandedTo(QSize(420, 320));
    setGeometry(QRect(area.center() - QPoint(size.width() / 2, size.height() / 2), size));
}

void PreviewWindow::layoutButtons() {
    bool other = m_content == Content::other;
    m_openButton->setVisible(other);
    m_showButton->setVisible(other);
    m_closeButton->move(width() - m_closeButton->width() - 8, (titleHeight - m_closeButton->height()) / 2);
    if (!other) return;
    m_openButton->adjustSize();
    m_showButton->adjustSize();
    int total = m_openButton->width() + 12 + m_showButton->width();
    int top = height() / 2 + 70;
    m_openButton->move(width() / 2 - total / 2, top);
    m_showButton->move(m_openButton->geometry().right() + 13, top);
}

void PreviewWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
    painter.fillPath(outline, background);
    painter.setPen(QColor(255, 255, 255, 40));
    painter.drawPath(outline);

    QString title = m_item ? QString::fromStdString(m_item->title) : QString();
    painter.setPen(foreground);
    QRect titleRect(padding, 0, width() - 2 * padding - 40, titleHeight);
    painter.drawText(titleRect, Qt::AlignVCenter | Qt::AlignLeft,
                     painter.fontMetrics().elidedText(title, Qt::ElideMiddle, titleRect.width()));

    QRect area = contentRect();
    if (m_content == Content::other) {
        QRect glyph(width() / 2 - 48, height() / 2 - 90, 96, 120);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(70, 70, 78));
        painter.drawRoundedRect(glyph, 10, 10);
        QFont font = painter.font();
        font.setBold(true);
        font.setPointSizeF(font.pointSizeF() * 1.4);
        painter.setFont(font);
        painter.setPen(foreground);
        painter.drawText(glyph, Qt::AlignCenter, m_item ? glyphText(m_item->kind) : QString());
        return;
    }
    if (m_image.isNull() || area.isEmpty()) return;
    QSizeF fitted = QSizeF(m_image.size()).scaled(area.size(), Qt::KeepAspectRatio);
    // A picture smaller than the window shows at its own size until zoomed.
    if (m_content == Content::image && fitted.width() > m_image.width()) fitted = m_image.size();
    QSizeF shown = fitted * m_zoom;
    QRectF target(QPointF(area.center()) - QPointF(shown.width() / 2, shown.height() / 2) + m_pan, shown);
    painter.save();
    painter.setClipRect(area);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_zoom <= 2);
    painter.drawImage(target, m_image);
    painter.restore();
    if (m_content == Content::pdf) {
        painter.setPen(quiet);
        painter.drawText(QRect(0, height() - footerHeight, width(), footerHeight), Qt::AlignCenter,
                         QString("Page %1 of %2").arg(m_page + 1).arg(m_pageCount));
    }
}

void PreviewWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Space:
            close();
            return;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            setZoom(m_zoom * zoomStep);
            return;
        case Qt::Key_Minus:
            setZoom(m_zoom / zoomStep);
            return;
        case Qt::Key_0:
            setZoom(1);
            return;
        case Qt::Key_Left:
        case Qt::Key_PageUp:
            setPage(m_page - 1);
            return;
        case Qt::Key_Right:
        case Qt::Key_PageDown:
            setPage(m_page + 1);
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

void PreviewWindow::wheelEvent(QWheelEvent* event) {
    if (m_content == Content::other) return;
    double notches = event->angleDelta().y() / 120.0;
    if (notches != 0) setZoom(m_zoom * std::pow(zoomStep, notches));
}

void PreviewWindow::mousePressEvent(QMouseEvent* event) { m_dragFrom = event->position(); }

void PreviewWindow::mouseMoveEvent(QMouseEvent* event) {
    // Only a zoomed picture has anything to pan to.
    if (!(event->buttons() & Qt::LeftButton) || m_zoom <= 1) return;
    m_pan += event->position() - m_dragFrom;
    m_dragFrom = event->position();
    update();
}

void PreviewWindow::resizeEvent(QResizeEvent*) { layoutButtons(); }

void PreviewWindow::showEvent(QShowEvent*) {
    if (m_callbacks.showingChanged) m_callbacks.showingChanged(true);
}

void PreviewWindow::hideEvent(QHideEvent*) {
    if (m_callbacks.showingChanged) m_callbacks.showingChanged(false);
}

}  // namespace brimly
