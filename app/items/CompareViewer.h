#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "core/shelf/CompareMode.h"
#include "core/store/ShelfItem.h"

class QButtonGroup;
class QPushButton;

namespace brimly {

// The compare window: the kept versions of a rewritten picture one at a time, wiped against the one before
// at a divider the pointer drags, or as their difference. Left and Right step through the versions, Home and
// End jump to the oldest and the newest, Tab and Shift+Tab cycle the modes, 1, 2 and 3 choose one, Escape or
// Space closes. The strip along the bottom picks a version under the pointer. Main thread.
class CompareViewer : public QWidget {
public:
    struct Callbacks {
        // The user closed the window; the model forgets the compared item.
        std::function<void()> closed;
    };

    static constexpr int stripHeight = 56;

    explicit CompareViewer(Callbacks callbacks, QWidget* parent = nullptr);

    // Opens on the newest version in step mode.
    void showItem(const ShelfItem& item);
    // The item's versions changed while it is shown (or another capture of the same file took its place):
    // stays on the newest version when that was on screen, else on the same file.
    void updateItem(const ShelfItem& item);

    const std::optional<ShelfItem>& item() const { return m_item; }
    int versionCount() const { return static_cast<int>(m_versions.size()); }
    // From 0, the oldest.
    int index() const { return m_index; }
    CompareMode mode() const { return m_mode; }
    // What is on screen: the oldest version has nothing before it, so it is always stepped.
    CompareMode shownMode() const;
    double wipe() const { return m_wipe; }
    bool isNothingEarlier() const { return shownMode() != m_mode; }

    void setMode(CompareMode mode);
    void cycleMode(int delta);
    void step(int delta);
    // The pointer at `x` in the version strip `width` wide.
    void pickVersion(double x, double width);
    // The divider dragged to `x` across the picture `width` wide.
    void dragWipe(double x, double width);

    // "Version 3 of 4", with what is compared and when each version was made.
    QString caption() const;
    QString accessibleText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Tab cycles the modes rather than moving focus between the mode buttons.
    bool focusNextPrevChild(bool next) override;

private:
    enum class Drag { none, strip, wipe };

    void setIndex(int index);
    void changed();
    void placeOnScreen();
    void layoutControls();
    void pointerAt(QPointF position);
    QRect canvasRect() const;
    QRect stripRect() const;
    const QImage& image(int index);
    void paintCanvas(QPainter& painter, QRect area);
    void paintStrip(QPainter& painter, QRect area);

    Callbacks m_callbacks;
    std::optional<ShelfItem> m_item;
    std::vector<ItemVersion> m_versions;
    int m_index = 0;
    CompareMode m_mode = CompareMode::step;
    double m_wipe = 0.5;
    Drag m_drag = Drag::none;
    std::map<std::string, QImage> m_images;
    QButtonGroup* m_modes = nullptr;
    QPushButton* m_closeButton = nullptr;
};

}  // namespace brimly
