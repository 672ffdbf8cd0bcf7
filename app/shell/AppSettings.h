#pragma once

#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "core/base/Geometry.h"
#include "core/base/PixelSize.h"
#include "core/config/Preferences.h"

namespace brimly {

// One connected display as the settings window lists it.
struct DisplayInfo {
    std::string id;
    std::string name;
    Rect frame;
    std::optional<PixelSize> resolution;
    bool operator==(const DisplayInfo&) const = default;
};

// The application's settings: the current preferences, kept in the preferences file, and the messages the
// settings window shows beside them. Main thread only. Every change of the preferences, whether made in the
// program or by hand in the file, reaches the change handlers with the new and the previous value, so one
// place decides what a change means for the engine, the drawer and the hot key.
class AppSettings {
public:
    using ChangeHandler = std::function<void(const Preferences& now, const Preferences& before)>;
    // The messages or the display list changed; the settings window re-reads them.
    using MessageObserver = std::function<void()>;

    // Reads the file (the defaults when it is missing or damaged) and retires keys of older versions.
    explicit AppSettings(std::string path);

    const std::string& path() const { return m_path; }
    const Preferences& prefs() const { return m_prefs; }

    // Takes `prefs` as the current preferences and writes them; the handlers run when anything changed, even
    // when the write failed (the program goes on with what the user chose), and the error is returned.
    [[nodiscard]] std::error_code set(const Preferences& prefs);
    [[nodiscard]] std::error_code edit(const std::function<void(Preferences&)>& change);
    // The file changed on disk: read it as at start-up and apply what differs, without writing it back, so a
    // hand edit the program cannot read does not lose the user's file.
    void reload();

    void onChange(ChangeHandler handler) { m_handlers.push_back(std::move(handler)); }
    void observeMessages(MessageObserver observer) { m_messageObservers.push_back(std::move(observer)); }

    const std::optional<std::string>& hotkeyError() const { return m_hotkeyError; }
    const std::optional<std::string>& launchAtLoginError() const { return m_launchAtLoginError; }
    const std::optional<std::string>& sessionsNotice() const { return m_sessionsNotice; }
    const std::optional<std::string>& scratchNotice() const { return m_scratchNotice; }
    const std::vector<DisplayInfo>& displays() const { return m_displays; }
    void setHotkeyError(std::optional<std::string> text);
    void setLaunchAtLoginError(std::optional<std::string> text);
    void setSessionsNotice(std::optional<std::string> text);
    void setScratchNotice(std::optional<std::string> text);
    void setDisplays(std::vector<DisplayInfo> displays);

private:
    void apply(Preferences prefs);
    template <typename Value>
    void setMessage(Value& field, Value value);

    std::string m_path;
    Preferences m_prefs;
    std::vector<ChangeHandler> m_handlers;
    std::vector<MessageObserver> m_messageObservers;
    std::optional<std::string> m_hotkeyError;
    std::optional<std::string> m_launchAtLoginError;
    std::optional<std::string> m_sessionsNotice;
    std::optional<std::string> m_scratchNotice;
    std::vector<DisplayInfo> m_displays;
};

}  // namespace brimly
