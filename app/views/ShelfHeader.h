#pragma once

#include <QIcon>
#include <QWidget>
#include <functional>
#include <optional>

#include "app/views/TipBubble.h"

class QLabel;
class QMenu;
class QToolButton;

namespace brimly {

class ShelfModel;

// The drawer's header: the project switcher, the filter button and the "Brimly menu" button, each opening
// a menu built from the model as it opens, and the count of new items. The model learns when a menu opens
// and closes, so the drawer stays open meanwhile. Main thread only.
class ShelfHeader final : public QWidget {
public:
    enum class Menu { project, filter, main };

    ShelfHeader(ShelfModel& model, QWidget* parent);

    // Labels and the count as the model has them now.
    void refresh();
    // Told when the pointer enters a button that has a tip (an icon, or a label cut short) and leaves it.
    void onTip(std::function<void(std::optional<TipBubble::Anchor>)> handler) {
        m_onTip = std::move(handler);
    }
    QToolButton& button(Menu which) const;
    QMenu& menu(Menu which) const;
    const QLabel& count() const { return *m_count; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QToolButton* makeButton(Menu which);
    void fitLabels();
    static QIcon funnel(const QColor& colour);
    std::optional<ShelfTip> tip(const QObject* button) const;

    ShelfModel& m_model;
    QToolButton* m_project;
    QToolButton* m_filter;
    QToolButton* m_main;
    QMenu* m_projectMenu;
    QMenu* m_filterMenu;
    QMenu* m_mainMenu;
    QLabel* m_count;
    QString m_projectText;
    QString m_filterText;
    bool m_countWanted = false;
    bool m_filterActive = false;
    bool m_projectCut = false;
    std::function<void(std::optional<TipBubble::Anchor>)> m_onTip;
};

}  // namespace brimly
