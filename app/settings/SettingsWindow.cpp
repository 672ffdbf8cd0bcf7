#include "app/settings/SettingsWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/settings/AboutPane.h"
#include "app/settings/AppIcon.h"
#include "app/settings/DisplaysPane.h"
#include "app/settings/FilesPane.h"
#include "app/settings/FoldersPane.h"
#include "app/settings/GeneralPane.h"
#include "app/settings/ShelfPane.h"
#include "app/settings/WindowState.h"
#include "core/base/Log.h"

namespace brimly {

namespace {

const Log logger("settings");
constexpr const char* paneKey = "preferencesPane";

struct SidebarRow {
    const char* title;
    const char* icon;
    QChar letter;
};

// In the order of SettingsPanes::allCases.
constexpr SidebarRow sidebarRows[] = {
    {"General", "preferences-system", 'G'},
    {"Displays", "video-display", 'D'},
    {"Shelf", "view-list-icons", 'S'},
    {"Files", "text-x-generic", 'F'},
    {"Folders", "folder", 'F'},
    {"About", "help-about", 'i'},
};

}  // namespace

SettingsWindow::SettingsWindow(SettingsContext context, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_context(std::move(context)),
      m_sidebar(new QListWidget(this)),
      m_stack(new QStackedWidget(this)) {
    setWindowTitle("Settings");
    setWindowIcon(AppIcon::icon());
    resize(760, 600);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* side = new QWidget(this);
    side->setFixedWidth(190);
    side->setAutoFillBackground(true);
    QPalette sidePalette = side->palette();
    sidePalette.setColor(QPalette::Window, sidePalette.color(QPalette::AlternateBase));
    side->setPalette(sidePalette);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(10, 14, 10, 10);
    auto* name = new QLabel("Brimly", side);
    QFont nameFont = name->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.15);
    name->setFont(nameFont);
    auto* version = new QLabel("Version " + QString::fromStdString(m_context.about.version), side);
    version->setObjectName("sidebarVersion");
    QPalette versionPalette = version->palette();
    versionPalette.setColor(QPalette::WindowText, versionPalette.color(QPalette::PlaceholderText));
    version->setPalette(versionPalette);
    sideLayout->addWidget(name);
    sideLayout->addWidget(version);
    sideLayout->addSpacing(8);
    m_sidebar->setObjectName("sidebar");
    m_sidebar->setFrameShape(QFrame::NoFrame);
    m_sidebar->setIconSize(QSize(20, 20));
    m_sidebar->setSpacing(2);
    m_sidebar->viewport()->setAutoFillBackground(false);
    for (const SidebarRow& row : sidebarRows) {
        new QListWidgetItem(AppIcon::themed(row.icon, row.letter), row.title, m_sidebar);
    }
    sideLayout->addWidget(m_sidebar, 1);
    layout->addWidget(side);
    layout->addWidget(m_stack, 1);

    m_folders = new FoldersPane(m_context, m_stack);
    m_panes = {new GeneralPane(m_context, m_stack),
               new DisplaysPane(m_context, m_stack),
               new ShelfPane(m_context, m_stack),
               new FilesPane(m_context, m_stack),
               m_folders,
               new AboutPane(m_context, m_stack)};
    for (FormPane* pane : m_panes) m_stack->addWidget(pane);
    connect(m_sidebar, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0) return;
        m_stack->setCurrentIndex(row);
        SettingsPane chosen = SettingsPanes::allCases[std::size_t(row)];
        if (auto error =
                WindowState::set(m_context.settings.path(), paneKey, SettingsPanes::rawValue(chosen))) {
            logger.error("the selected pane is not remembered: {}", error.message());
        }
    });

    // The window may outlive the settings' handlers or the other way round; a guard covers both.
    QPointer<SettingsWindow> self(this);
    m_context.settings.onChange([self](const Preferences&, const Preferences&) {
        if (self) self->refresh();
    });
    m_context.settings.observeMessages([self] {
        if (self) self->refresh();
    });

    auto* reopen = new QShortcut(QKeySequence("Ctrl+,"), this);
    connect(reopen, &QShortcut::activated, this, [this] { open(); });
    auto* close = new QShortcut(QKeySequence("Ctrl+W"), this);
    connect(close, &QShortcut::activated, this, [this] { this->close(); });
    auto* quit = new QShortcut(QKeySequence("Ctrl+Q"), this);
    connect(quit, &QShortcut::activated, this, [this] {
        if (m_context.quit) m_context.quit();
    });
    refresh();
}

void SettingsWindow::refresh() {
    for (FormPane* pane : m_panes) pane->refresh();
}

SettingsPane SettingsWindow::pane() const {
    int row = m_sidebar->currentRow();
    return row < 0 ? SettingsPane::general : SettingsPanes::allCases[std::size_t(row)];
}

void SettingsWindow::select(SettingsPane pane) { m_sidebar->setCurrentRow(int(pane)); }

void SettingsWindow::open() {
    auto remembered = WindowState::text(m_context.settings.path(), paneKey);
    open(remembered ? SettingsPanes::fromRawValue(*remembered).value_or(SettingsPane::general)
                    : SettingsPane::general);
}

void SettingsWindow::open(SettingsPane pane) {
    select(pane);
    refresh();
    if (!m_placed && screen()) {
        // A window manager may put a new window under the pointer, where a tall one runs off the screen.
        move(screen()->availableGeometry().center() - rect().center());
        m_placed = true;
    }
    show();
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
}

}  // namespace brimly
