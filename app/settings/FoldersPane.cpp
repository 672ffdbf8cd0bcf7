#include "app/settings/FoldersPane.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTimer>

#include "app/settings/FolderChoice.h"
#include "core/engine/FolderActivity.h"
#include "core/platform/FileSystem.h"

namespace brimly {

namespace {

constexpr int activityDepth = 4;
constexpr int activityLimit = 5000;
constexpr int activityRefreshMs = 30000;

QString activityText(const std::string& folder) {
    if (!FileSystem::isDirectory(folder)) return "Not found";
    auto newest = FolderActivity::newest(folder, activityDepth, activityLimit);
    if (!newest) return "Watching · no activity yet";
    auto when = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(unixFromDate(*newest) * 1000));
    return "Watching · last activity " + QLocale::system().toString(when, QLocale::ShortFormat);
}

}  // namespace

FoldersPane::FoldersPane(SettingsContext& context, QWidget* parent)
    : FormPane(context, "Folders", parent), m_activityTimer(new QTimer(this)) {
    beginSection(
        "Claude Code's folders",
        "Change these only if CLAUDE_CONFIG_DIR or CLAUDE_CODE_TMPDIR moved Claude Code's files. For "
        "Sessions, choose ~/.claude or its projects folder.");
    addClaudeFolderRow("claudeHome", "Sessions", true);
    addMessage([this] { return settings().sessionsNotice(); })->setObjectName("sessionsNotice");
    addClaudeFolderRow("scratchRoot", "Scratchpads", false);
    addMessage([this] { return settings().scratchNotice(); })->setObjectName("scratchNotice");

    beginSection(
        "Watched folders",
        "Files saved in these folders show on the shelf, starting with the last 10 minutes of a folder you "
        "add.");
    m_watched = new QListWidget(this);
    m_watched->setObjectName("watchedFolders");
    m_watched->setMinimumHeight(120);
    m_watched->setAlternatingRowColors(true);
    addWide(m_watched);
    auto* none = new QLabel("No watched folders", this);
    none->setObjectName("noWatchedFolders");
    none->setAlignment(Qt::AlignCenter);
    none->setMinimumHeight(60);
    m_noWatched = none;
    addWide(m_noWatched);
    auto* buttons = new QWidget(this);
    auto* buttonsLayout = new QHBoxLayout(buttons);
    buttonsLayout->setContentsMargins(0, 0, 0, 0);
    auto* add = new QPushButton("Add Folder", buttons);
    add->setObjectName("addFolder");
    add->setToolTip("Add a folder");
    m_remove = new QPushButton("Remove Folder", buttons);
    m_remove->setObjectName("removeFolder");
    m_remove->setToolTip("Remove the selected folder");
    buttonsLayout->addWidget(add);
    buttonsLayout->addWidget(m_remove);
    buttonsLayout->addStretch(1);
    addWide(buttons);
    endSection();
    addStretch();

    connect(add, &QPushButton::clicked, this, [this] { addFolder(); });
    connect(m_remove, &QPushButton::clicked, this, [this] {
        int row = m_watched->currentRow();
        if (row < 0 || std::size_t(row) >= m_shownFolders.size()) return;
        std::string folder = m_shownFolders[std::size_t(row)];
        edit([&](Preferences& next) { std::erase(next.watchedFolders, folder); });
    });
    connect(m_watched, &QListWidget::currentRowChanged, this,
            [this](int row) { m_remove->setEnabled(row >= 0); });
    m_activityTimer->setInterval(activityRefreshMs);
    connect(m_activityTimer, &QTimer::timeout, this, [this] { refreshActivity(); });
    showWatched();
}

void FoldersPane::addClaudeFolderRow(const QString& name, const QString& label, bool sessions) {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(new QLabel(label, row));
    QLabel* folder = secondaryLabel({});
    folder->setObjectName(name);
    folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    texts->addWidget(folder);
    layout->addLayout(texts, 1);
    auto* use = new QPushButton("Use Folder", row);
    use->setObjectName(name + ":use");
    auto* useDefault = new QPushButton("Use Default", row);
    useDefault->setObjectName(name + ":default");
    layout->addWidget(use, 0, Qt::AlignTop);
    layout->addWidget(useDefault, 0, Qt::AlignTop);
    addWide(row);
    auto variable = sessions ? FolderChoice::sessionsOverride(context().env)
                             : FolderChoice::scratchOverride(context().env);
    if (variable) {
        use->setEnabled(false);
        useDefault->setEnabled(false);
        addHelp(QString::fromStdString(*variable) + " is set and applies while it is.");
    }

    connect(use, &QPushButton::clicked, this, [this, label, sessions] {
        auto chosen = context().chooseFolder(this, "Choose the " + label + " Folder", "Use Folder");
        if (!chosen) return;
        showSaveError(sessions ? FolderChoice::useSessions(settings(), *chosen, context().env)
                               : FolderChoice::useScratch(settings(), *chosen, context().env));
    });
    connect(useDefault, &QPushButton::clicked, this, [this, sessions] {
        showSaveError(sessions ? FolderChoice::useDefaultSessions(settings())
                               : FolderChoice::useDefaultScratch(settings()));
    });
    onRefresh([this, folder, useDefault, sessions, variable](const Preferences& now) {
        std::string path = sessions ? FolderChoice::sessionsFolder(now, context().env)
                                    : FolderChoice::scratchFolder(now, context().env);
        bool chosen = sessions ? now.claudeHome.has_value() : now.scratchRoot.has_value();
        QString text = QString::fromStdString(path);
        if (!chosen && !variable) text += " (default)";
        if (!FileSystem::isDirectory(path)) text += " — Not found";
        folder->setText(text);
        useDefault->setEnabled(chosen && !variable);
    });
}

void FoldersPane::refresh() {
    FormPane::refresh();
    if (prefs().watchedFolders != m_shownFolders) {
        m_shownFolders = prefs().watchedFolders;
        refreshActivity();
    }
}

void FoldersPane::refreshActivity() {
    m_activity.clear();
    for (const auto& folder : m_shownFolders) m_activity[folder] = activityText(folder);
    showWatched();
}

void FoldersPane::showWatched() {
    int current = m_watched->currentRow();
    m_watched->clear();
    for (const auto& folder : m_shownFolders) {
        auto* item =
            new QListWidgetItem(QString::fromStdString(folder) + "\n" + m_activity[folder], m_watched);
        item->setToolTip(QString::fromStdString(folder));
    }
    m_watched->setCurrentRow(std::min(current, m_watched->count() - 1));
    m_watched->setVisible(!m_shownFolders.empty());
    m_noWatched->setVisible(m_shownFolders.empty());
    m_remove->setEnabled(m_watched->currentRow() >= 0);
}

void FoldersPane::addFolder() {
    auto chosen = context().chooseFolder(this, "Watch a Folder", "Watch Folder");
    if (!chosen) return;
    showSaveError(FolderChoice::addWatched(settings(), *chosen, context().env));
}

void FoldersPane::showEvent(QShowEvent* event) {
    FormPane::showEvent(event);
    refreshActivity();
    m_activityTimer->start();
}

void FoldersPane::hideEvent(QHideEvent* event) {
    m_activityTimer->stop();
    FormPane::hideEvent(event);
}

}  // namespace brimly
