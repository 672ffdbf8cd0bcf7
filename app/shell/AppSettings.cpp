#include "app/shell/AppSettings.h"

#include "core/base/Log.h"

namespace brimly {

namespace {
const Log logger("settings");
}

AppSettings::AppSettings(std::string path) : m_path(std::move(path)) {
    if (auto error = Preferences::retireKeys(m_path)) {
        logger.error("retired keys not removed: {}", error.message());
    }
    m_prefs = Preferences::loadFile(m_path);
}

std::error_code AppSettings::set(const Preferences& prefs) {
    if (prefs == m_prefs) return {};
    std::error_code error = prefs.save(m_path);
    if (error) logger.error("preferences not saved: {}", error.message());
    apply(prefs);
    return error;
}

std::error_code AppSettings::edit(const std::function<void(Preferences&)>& change) {
    Preferences next = m_prefs;
    change(next);
    return set(next);
}

void AppSettings::reload() { apply(Preferences::loadFile(m_path)); }

void AppSettings::apply(Preferences prefs) {
    if (prefs == m_prefs) return;
    Preferences before = std::exchange(m_prefs, std::move(prefs));
    // A handler may change the preferences again (the login item matching the system); the later handlers
    // then see that newer value, never a stale one.
    for (std::size_t n = 0; n < m_handlers.size(); ++n) m_handlers[n](m_prefs, before);
}

template <typename Value>
void AppSettings::setMessage(Value& field, Value value) {
    if (field == value) return;
    field = std::move(value);
    for (const auto& observer : m_messageObservers) observer();
}

void AppSettings::setHotkeyError(std::optional<std::string> text) {
    setMessage(m_hotkeyError, std::move(text));
}
void AppSettings::setLaunchAtLoginError(std::optional<std::string> text) {
    setMessage(m_launchAtLoginError, std::move(text));
}
void AppSettings::setSessionsNotice(std::optional<std::string> text) {
    setMessage(m_sessionsNotice, std::move(text));
}
void AppSettings::setScratchNotice(std::optional<std::string> text) {
    setMessage(m_scratchNotice, std::move(text));
}
void AppSettings::setDisplays(std::vector<DisplayInfo> displays) {
    setMessage(m_displays, std::move(displays));
}

}  // namespace brimly
