#include "app/shell/AppDelegate.h"

#include <unistd.h>

#include <QApplication>
#include <QDesktopServices>
#include <QFileSystemWatcher>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QSocketNotifier>
#include <QUrl>
#include <algorithm>
#include <csignal>
#include <cstdio>

#include "app/qt/QtMainQueue.h"
#include "app/qt/SignalNotifier.h"
#include "app/shell/BuildInfo.h"
#include "app/shell/ControlSocket.h"
#include "app/shell/LoginItem.h"
#include "app/shell/StatusMenu.h"
#include "app/shell/TrayIcon.h"
#include "app/x11/KeyMapping.h"
#include "app/x11/X11HotKey.h"
#include "core/base/Clock.h"
#include "core/base/Log.h"
#include "core/platform/FileSystem.h"

namespace brimly {

namespace {
const Log logger("shell");

constexpr const char* hotkeyTaken = "Another app already uses this shortcut. Choose a different one.";
constexpr const char* hotkeyUnmapped = "This shortcut has no key on Linux. Choose a different one.";
constexpr const char* loginRefused = "The desktop did not allow it: ";

// Problems a person has to act on get a notification; a single capture that could not be copied is retried
// by the engine and only reported in the status.
bool needsAction(EngineStatus::Kind kind) { return kind != EngineStatus::Kind::captureFailed; }
}  // namespace

AppDelegate::AppDelegate(QtMainQueue& mainQueue, Options options)
    : m_mainQueue(mainQueue),
      m_options(std::move(options)),
      m_settings(Preferences::filePath(m_options.env)),
      m_drawer(std::make_unique<InertDrawer>()) {}

AppDelegate::~AppDelegate() {
    // Whatever way the loop ended, the store is written before the engine goes.
    flushNow();
}

void AppDelegate::launch() {
    // A tray program: closing a window never ends it. The order below is the start-up order: each step may
    // rely on the ones before it.
    QApplication::setQuitOnLastWindowClosed(false);
    syncLoginItem();
    m_settings.onChange(
        [this](const Preferences& now, const Preferences& before) { preferencesChanged(now, before); });
    watchPreferencesFile();
    ShelfCommands commands{
        .settings = [this] { openSettings(); },
        .checkForUpdates = {},
        .feedback = {},
        .watchFolder =
            [this] {
                if (m_windows) {
                    m_windows->chooseWatchedFolder();
                } else {
                    openSettings();
                }
            },
        .quit = [this] { quit(); },
    };
    m_model = std::make_unique<ShelfModel>(
        m_mainQueue, std::move(commands),
        ShelfModel::Options{.motionScale = ShelfModel::motionScale(m_options.env)},
        ShelfModel::Callbacks{.onDrawerClosed = [this] { closeItemWindows(); },
                              .closePreview = [this] { closeItemWindows(); }});
    m_model->observe([this](ShelfModel::Change change) {
        if (change == ShelfModel::Change::unreadCount && m_tray)
            m_tray->setUnread(m_model->unreadCount() > 0);
        if (change == ShelfModel::Change::groups && !m_firstSnapshotAfter) {
            m_firstSnapshotAfter = m_mainQueue.now() - m_options.startedAt;
        }
    });
    // The drawer's panels and its watchers, which read the model.
    if (m_options.makeDrawer) {
        if (auto drawer = m_options.makeDrawer(*m_model, m_settings)) m_drawer = std::move(drawer);
    }
    m_drawer->refreshPanels();
    m_drawer->startWatchers(m_settings.prefs().activeDisplayOnly);
    m_drawer->setCompareKeyCode(m_settings.prefs().compareKeyCode);
    registerHotKey();
    if (m_options.makeWindows) m_windows = m_options.makeWindows(m_settings, {.quit = [this] { quit(); }});
    m_tray = std::make_unique<TrayIcon>([this] { return statusMenu(); });
    m_tray->setVisible(m_settings.prefs().showInMenuBar);
    if (!TrayIcon::isAvailable()) {
        logger.info(
            "no system tray on this desktop; `brimly settings` opens the settings, `brimly toggle` the "
            "shelf");
    }
    // The engine starts last, so that its first snapshot finds everything that shows it.
    m_runner = std::make_unique<EngineRunner>(
        *m_model, SystemClock::shared(), m_mainQueue,
        [this](const EngineStatus& status) { engineStatus(status); }, EngineRunner::Options{});
    m_runner->start(EngineConfig::make(m_settings.prefs(), m_options.env));
    auto screensChanged = [this] { m_drawer->refreshPanels(); };
    QObject::connect(qApp, &QGuiApplication::screenAdded, this, screensChanged);
    QObject::connect(qApp, &QGuiApplication::screenRemoved, this, screensChanged);
    // Termination by signal, and the control socket (launched again, toggle, status, quit).
    m_signals = std::make_unique<SignalNotifier>(std::initializer_list<int>{SIGTERM, SIGINT, SIGHUP},
                                                 [this](int) { quit(); });
    if (m_options.control) {
        m_options.control->setHandler([this](std::string_view request) { return answer(request); });
        m_controlNotifier =
            std::make_unique<QSocketNotifier>(m_options.control->fileDescriptor(), QSocketNotifier::Read);
        QObject::connect(m_controlNotifier.get(), &QSocketNotifier::activated, this,
                         [this] { m_options.control->acceptReady(); });
    }
    // Update checks and telemetry come with their own parts of the program.
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { flushNow(); });
    if (m_windows) m_windows->started();
}

void AppDelegate::syncLoginItem() {
    std::string path = LoginItem::path(m_options.env);
    bool enabled = LoginItem::isEnabled(path);
    if (enabled) m_settings.setLaunchAtLoginError(std::nullopt);
    if (enabled != m_settings.prefs().launchAtLogin) {
        m_syncingLoginItem = true;
        if (auto error = m_settings.edit([enabled](Preferences& prefs) { prefs.launchAtLogin = enabled; })) {
            logger.error("launch at login not recorded: {}", error.message());
        }
        m_syncingLoginItem = false;
    }
}

void AppDelegate::preferencesChanged(const Preferences& now, const Preferences& before) {
    // The engine takes what its configuration holds; other folders restart it.
    if (m_runner) m_runner->apply(EngineConfig::make(now, m_options.env));
    if (!(now.displayStyle == before.displayStyle)) m_drawer->requestStyle(now.displayStyle);
    if (now.activeDisplayOnly != before.activeDisplayOnly) {
        m_drawer->setActiveDisplayOnly(now.activeDisplayOnly);
        m_drawer->refreshPanels();
    }
    if (now.compareKeyCode != before.compareKeyCode) m_drawer->setCompareKeyCode(now.compareKeyCode);
    if (now.hotkeyKeyCode != before.hotkeyKeyCode || now.hotkeyModifiers != before.hotkeyModifiers) {
        registerHotKey();
    }
    if (now.launchAtLogin != before.launchAtLogin && !m_syncingLoginItem) {
        std::string path = LoginItem::path(m_options.env);
        std::error_code error =
            now.launchAtLogin ? LoginItem::enable(path, m_options.executable) : LoginItem::disable(path);
        m_settings.setLaunchAtLoginError(error ? std::optional(loginRefused + error.message())
                                               : std::nullopt);
    }
    if (now.showInMenuBar != before.showInMenuBar && m_tray) m_tray->setVisible(now.showInMenuBar);
}

void AppDelegate::registerHotKey() {
    if (m_hotkey) m_hotkey->release();
    m_hotkeyRegistered = false;
    const Preferences& prefs = m_settings.prefs();
    long code = std::clamp(prefs.hotkeyKeyCode, 0L, 4294967295L);
    long modifiers = std::clamp(prefs.hotkeyModifiers, 0L, 4294967295L);
    auto keysym = keysymForKeyCode(code);
    auto xModifiers = xModifiersFor(modifiers);
    if (!keysym || !xModifiers) {
        m_settings.setHotkeyError(hotkeyUnmapped);
        return;
    }
    if (!m_hotkey) {
        std::string why;
        m_hotkey = X11HotKey::open(m_options.displayName, &why);
        if (!m_hotkey) {
            logger.error("no hot key: {}", why);
            m_settings.setHotkeyError("The shortcut could not be set up: " + why);
            return;
        }
        m_hotkey->setOnPressed([this] {
            ++m_hotkeyPresses;
            m_drawer->hotkey();
        });
        m_hotkeyNotifier =
            std::make_unique<QSocketNotifier>(m_hotkey->fileDescriptor(), QSocketNotifier::Read);
        QObject::connect(m_hotkeyNotifier.get(), &QSocketNotifier::activated, this,
                         [this] { m_hotkey->dispatch(); });
    }
    auto refusal = m_hotkey->grab(*keysym, *xModifiers);
    // A press that arrived while the grab waited for the server is queued without waking the loop.
    m_hotkey->dispatch();
    m_hotkeyRegistered = !refusal;
    if (!refusal) {
        m_settings.setHotkeyError(std::nullopt);
    } else {
        m_settings.setHotkeyError(*refusal == X11HotKey::Refusal::taken ? std::string(hotkeyTaken)
                                                                        : std::string(hotkeyUnmapped));
    }
}

void AppDelegate::engineStatus(const EngineStatus& status) {
    auto same = [&](const EngineStatus& known) { return known.kind == status.kind; };
    auto known = std::find_if(m_problems.begin(), m_problems.end(), same);
    if (status.resolved) {
        if (known != m_problems.end()) m_problems.erase(known);
        return;
    }
    if (known != m_problems.end()) {
        *known = status;
        return;
    }
    m_problems.push_back(status);
    if (needsAction(status.kind) && !(m_tray && m_tray->notify("Brimly", status.text))) {
        std::fprintf(stderr, "Brimly: %s\n", status.text.c_str());
    }
}

void AppDelegate::watchPreferencesFile() {
    // The folder is watched as well as the file: saving replaces the file, and an editor may write a new one.
    std::string path = m_settings.path();
    std::string folder = FileSystem::parentPath(path);
    if (!FileSystem::createDirectories(folder)) return;
    m_preferencesWatch = std::make_unique<QFileSystemWatcher>();
    m_preferencesWatch->addPath(QString::fromStdString(folder));
    auto reread = [this, path] {
        if (!m_preferencesWatch->files().contains(QString::fromStdString(path))) {
            m_preferencesWatch->addPath(QString::fromStdString(path));
        }
        m_settings.reload();
    };
    QObject::connect(m_preferencesWatch.get(), &QFileSystemWatcher::directoryChanged, this, reread);
    QObject::connect(m_preferencesWatch.get(), &QFileSystemWatcher::fileChanged, this, reread);
    m_preferencesWatch->addPath(QString::fromStdString(path));
}

std::vector<MenuItem> AppDelegate::statusMenu() {
    StatusMenu::Inputs inputs{
        .unread = m_model ? m_model->unreadCount() : 0,
        .updateVersion = std::nullopt,
        .hasFeedbackAddress = *BuildInfo::feedbackAddress != '\0',
        .hasWelcome = m_windows != nullptr,
    };
    StatusMenu::Actions actions{
        .showUpdate = {},
        .toggleShelf = [this] { toggleShelf(); },
        .openSettings = [this] { openSettings(); },
        .checkForUpdates =
            [this] {
                if (m_tray)
                    m_tray->notify("Brimly " + std::string(BuildInfo::version),
                                   "This build has no update feed.");
            },
        .sendFeedback =
            [] { QDesktopServices::openUrl(QUrl(QString("mailto:") + BuildInfo::feedbackAddress)); },
        .about =
            [this] {
                if (m_windows) {
                    m_windows->showAbout();
                    return;
                }
                QMessageBox::about(nullptr, "About Brimly",
                                   QString("Brimly %1\nA shelf of what your coding agent makes and looks at.")
                                       .arg(BuildInfo::version));
            },
        .welcome = [this] { m_windows->showWelcome(); },
        .quit = [this] { quit(); },
    };
    return StatusMenu::build(inputs, actions);
}

void AppDelegate::reopen() {
    if (m_windows && m_windows->isWelcomeVisible()) {
        m_windows->showWelcome();
        return;
    }
    m_drawer->resetHover();
    syncLoginItem();
    openSettings();
}

void AppDelegate::openSettings() {
    if (m_windows) {
        m_windows->showSettings();
        return;
    }
    // Without windows the file is the settings: the desktop's editor opens it, and the file watch applies
    // what is saved.
    const std::string& path = m_settings.path();
    if (!FileSystem::exists(path)) {
        if (auto error = m_settings.prefs().save(path))
            logger.error("preferences not saved: {}", error.message());
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)))) {
        logger.error("no program opens {}", Log::priv(path));
    }
}

void AppDelegate::toggleShelf() { m_drawer->hotkey(); }

void AppDelegate::quit() {
    if (m_quitting) return;
    m_quitting = true;
    m_drawer->resetHover();
    if (!m_runner) {
        QCoreApplication::exit(0);
        return;
    }
    m_runner->stop([this](bool saved) {
        m_flushed = true;
        if (!saved)
            std::fprintf(stderr, "Brimly: the shelf could not be saved; what this run captured is lost\n");
        QCoreApplication::exit(saved ? 0 : 1);
    });
}

void AppDelegate::flushNow() {
    if (m_flushed) return;
    m_flushed = true;
    // Dropping the runner commits nothing by itself: the removal in its undo window goes first.
    if (m_model) m_model->commitPending();
    m_runner.reset();
}

std::string AppDelegate::answer(std::string_view request) {
    if (request == "status") return status().text();
    if (request == "status --json") return JsonIO::dump(status().json()) + "\n";
    if (request == "toggle") {
        toggleShelf();
        return "";
    }
    if (request == "settings") {
        openSettings();
        return "";
    }
    if (request == "reopen") {
        reopen();
        return "";
    }
    if (request == "quit") {
        quit();
        return "";
    }
    return "Brimly: unknown request \"" + std::string(request) + "\"\n";
}

AppStatus AppDelegate::status() {
    const Preferences& prefs = m_settings.prefs();
    AppStatus status{
        .version = BuildInfo::version,
        .pid = long(::getpid()),
        .unread = m_model ? m_model->unreadCount() : 0,
        .itemsShown = m_model ? m_model->visibleSnapshot().items.size() : 0,
        .claudeFound = m_model && m_model->claudeFound(),
        .shortcut = describeShortcut(prefs.hotkeyKeyCode, prefs.hotkeyModifiers),
        .hotkeyRegistered = m_hotkeyRegistered,
        .hotkeyError = m_settings.hotkeyError(),
        .hotkeyPresses = m_hotkeyPresses,
        .launchAtLogin = prefs.launchAtLogin,
        .launchAtLoginError = m_settings.launchAtLoginError(),
        .trayAvailable = TrayIcon::isAvailable(),
        .trayShown = prefs.showInMenuBar,
        .firstSnapshotAfter = m_firstSnapshotAfter,
        .engineGeneration = m_runner ? m_runner->generation() : 0,
        .drawer = m_drawer->status(),
        .settingsShown = m_windows && m_windows->isSettingsVisible(),
        .welcomeShown = m_windows && m_windows->isWelcomeVisible(),
    };
    if (m_runner && m_runner->config()) {
        const EngineConfig& config = *m_runner->config();
        status.folders = {config.paths.projectsRoot().filePath(), config.paths.scratchRoot.filePath(),
                          config.paths.chromeRoot.filePath()};
        status.folders.insert(status.folders.end(), config.watchedFolders.begin(),
                              config.watchedFolders.end());
    }
    for (const auto& problem : m_problems) status.problems.push_back(problem.text);
    for (const auto& item : statusMenu()) {
        status.menu.push_back(item.kind == MenuItem::Kind::separator ? "-" : item.title);
    }
    return status;
}

}  // namespace brimly
