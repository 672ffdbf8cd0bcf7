#pragma once

#include <QWidget>
#include <vector>

#include "app/settings/SettingsContext.h"
#include "app/settings/SettingsPane.h"

class QListWidget;
class QStackedWidget;

namespace brimly {

class FormPane;
class FoldersPane;

// The settings window: a sidebar of panes beside the selected one. Every pane edits the preferences at once,
// and the window shows every change made anywhere (the file edited by hand, the login item matched to the
// desktop, a shortcut another program holds). The selected pane is remembered beside the preferences.
class SettingsWindow final : public QWidget {
public:
    explicit SettingsWindow(SettingsContext context, QWidget* parent = nullptr);

    // Shows the window on the remembered pane, or on `pane`, and brings it to the front.
    void open();
    void open(SettingsPane pane);
    SettingsPane pane() const;
    void select(SettingsPane pane);
    FoldersPane& folders() const { return *m_folders; }
    // Shows the current preferences and messages in every pane.
    void refresh();

private:
    SettingsContext m_context;
    QListWidget* m_sidebar;
    QStackedWidget* m_stack;
    std::vector<FormPane*> m_panes;
    FoldersPane* m_folders = nullptr;
    bool m_placed = false;
};

}  // namespace brimly
