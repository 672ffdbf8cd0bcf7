#pragma once

#include <QWidget>
#include <functional>

#include "app/settings/SettingsContext.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace brimly {

// The first-start window: what Brimly does, where the drawer is and how to open it, whether Claude Code's
// folder was found, and the few choices worth making at once. It is never modal; it follows the preferences
// while it shows, as the settings window does.
class WelcomeWindow final : public QWidget {
public:
    WelcomeWindow(SettingsContext& context, std::function<void()> openSettings,
                  std::function<void()> watchFolder, QWidget* parent = nullptr);

    void open();
    void refresh();

private:
    SettingsContext& m_context;
    QLabel* m_where;
    QLabel* m_folderState;
    QPushButton* m_chooseFolder;
    QLabel* m_folderNotice;
    QCheckBox* m_launchAtLogin;
    QLabel* m_launchAtLoginError;
    QCheckBox* m_shareUsage;
    bool m_placed = false;
};

}  // namespace brimly
