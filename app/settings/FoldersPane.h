#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/settings/FormPane.h"

class QListWidget;
class QPushButton;
class QTimer;

namespace brimly {

// Claude Code's two folders and the watched folders. The last activity of each watched folder is read from
// the disk when the pane shows and then every half minute while it stays on screen, never in the background.
class FoldersPane final : public FormPane {
public:
    explicit FoldersPane(SettingsContext& context, QWidget* parent = nullptr);

    void refresh() override;
    // Asks for a folder and watches it ("Add Folder").
    void addFolder();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Reads every watched folder's last activity again.
    void refreshActivity();
    void addClaudeFolderRow(const QString& name, const QString& label, bool sessions);
    void showWatched();

    QListWidget* m_watched;
    QWidget* m_noWatched;
    QPushButton* m_remove;
    QTimer* m_activityTimer;
    std::vector<std::string> m_shownFolders;
    std::map<std::string, QString> m_activity;
};

}  // namespace brimly
