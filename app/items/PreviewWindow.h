#pragma once

#include <QImage>
#include <QPointF>
#include <QWidget>
#include <functional>
#include <optional>

#include "core/store/ShelfItem.h"

class QLabel;
class QPushButton;

namespace brimly {

// A window of its own showing one item large: a picture scaled to fit that the wheel and +, - and 0 zoom, a
// PDF a page at a time, anything else as its glyph and title with buttons that open it or show it in the
// file manager. Escape or Space closes it. Main thread.
class PreviewWindow : public QWidget {
public:
    enum class Content { image, pdf, other };
    struct Callbacks {
        std::function<void(const ShelfItem&)> open;
        std::function<void(const ShelfItem&)> showInFiles;
        // Showing or hidden; the drawer counts a showing preview as busy.
        std::function<void(bool showing)> showingChanged;
    };

    static constexpr double zoomStep = 1.25;
    static constexpr double minZoom = 0.1;
    static constexpr double maxZoom = 16;

    explicit PreviewWindow(Callbacks callbacks, QWidget* parent = nullptr);

    void showItem(const ShelfItem& item);
    const std::optional<ShelfItem>& item() const { return m_item; }
    Content content() const { return m_content; }
    // 1 shows the whole picture or page; larger zooms in.
    double zoom() const { return m_zoom; }
    void setZoom(double zoom);
    int page() const { return m_page; }
    int pageCount() const { return m_pageCount; }
    void setPage(int page);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void renderPage();
    void layoutButtons();
    QRect contentRect() const;
    void placeOnScreen();

    Callbacks m_callbacks;
    std::optional<ShelfItem> m_item;
    Content m_content = Content::other;
    QImage m_image;
    double m_zoom = 1;
    QPointF m_pan;
    QPointF m_dragFrom;
    int m_page = 0;
    int m_pageCount = 0;
    QPushButton* m_openButton = nullptr;
    QPushButton* m_showButton = nullptr;
    QPushButton* m_closeButton = nullptr;
};

}  // namespace brimly
