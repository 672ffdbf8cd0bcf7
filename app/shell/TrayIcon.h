#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/shelf/MenuItem.h"

class QMenu;
class QSystemTrayIcon;

namespace brimly {

// The status item: a tray icon whose menu is rebuilt from menu data each time it opens, and whose picture
// shows whether unread items exist. Qt docks the icon into a tray that appears later by itself.
class TrayIcon final : public QObject {
public:
    using MenuSource = std::function<std::vector<MenuItem>()>;

    explicit TrayIcon(MenuSource menu);
    ~TrayIcon() override;

    void setVisible(bool visible);
    bool isVisible() const;
    static bool isAvailable();
    void setUnread(bool unread);
    // A desktop notification from the icon; false when there is no tray to show it.
    bool notify(const std::string& title, const std::string& text);

private:
    MenuSource m_menuSource;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    bool m_unread = false;
};

}  // namespace brimly
