#include "app/settings/AppWindows.h"

#include "app/settings/FoldersPane.h"
#include "app/settings/SettingsWindow.h"
#include "app/settings/WelcomeWindow.h"
#include "app/settings/WindowState.h"
#include "core/base/Log.h"

namespace brimly {

namespace {
const Log logger("settings");
constexpr const char* welcomeKey = "welcomeShown";
}  // namespace

AppWindows::AppWindows(AppSettings& settings, Environment env, SettingsPort::Actions actions)
    : m_context{.settings = settings,
                .env = std::move(env),
                .quit = std::move(actions.quit),
                .checkForUpdates = std::move(actions.checkForUpdates)} {}

AppWindows::~AppWindows() = default;

SettingsWindow& AppWindows::settingsWindow() {
    if (!m_settings) m_settings = std::make_unique<SettingsWindow>(m_context);
    return *m_settings;
}

void AppWindows::showSettings() { settingsWindow().open(); }

void AppWindows::showAbout() { settingsWindow().open(SettingsPane::about); }

void AppWindows::chooseWatchedFolder() {
    SettingsWindow& window = settingsWindow();
    window.open(SettingsPane::folders);
    window.folders().addFolder();
}

void AppWindows::showWelcome() {
    if (!m_welcome) {
        m_welcome = std::make_unique<WelcomeWindow>(
            m_context, [this] { showSettings(); }, [this] { chooseWatchedFolder(); });
    }
    m_welcome->open();
}

void AppWindows::started() {
    const std::string& path = m_context.settings.path();
    if (WindowState::flag(path, welcomeKey)) return;
    showWelcome();
    if (auto error = WindowState::set(path, welcomeKey, true)) {
        logger.error("the welcome window will show again: {}", error.message());
    }
}

bool AppWindows::isSettingsVisible() const { return m_settings && m_settings->isVisible(); }

bool AppWindows::isWelcomeVisible() const { return m_welcome && m_welcome->isVisible(); }

}  // namespace brimly
