#pragma once

#include <memory>

#include "app/settings/SettingsContext.h"
#include "app/shell/SettingsPort.h"

namespace brimly {

class SettingsWindow;
class WelcomeWindow;

// The shell's windows: the settings window and the welcome window, each made when first asked for and kept
// (hidden when closed) so that reopening is instant and keeps its state. Main thread only.
class AppWindows final : public SettingsPort {
public:
    AppWindows(AppSettings& settings, Environment env, SettingsPort::Actions actions);
    ~AppWindows() override;

    void showSettings() override;
    void showAbout() override;
    void chooseWatchedFolder() override;
    void showWelcome() override;
    void started() override;
    bool isSettingsVisible() const override;
    bool isWelcomeVisible() const override;

private:
    SettingsWindow& settingsWindow();

    SettingsContext m_context;
    std::unique_ptr<SettingsWindow> m_settings;
    std::unique_ptr<WelcomeWindow> m_welcome;
};

}  // namespace brimly
