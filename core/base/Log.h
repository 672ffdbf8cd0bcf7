#pragma once

#include <fmt/format.h>

#include <string>
#include <string_view>

namespace brimly {

// The structured log: subsystem "app.brimly", one category per area, info and error levels. It goes to the
// systemd journal when its socket exists, else to standard error. Values wrapped in `Log::priv` are written
// as "<private>" unless BRIMLY_LOG_PRIVATE=1.
class Log {
public:
    enum class Level { info, error };

    explicit Log(std::string category) : m_category(std::move(category)) {}

    template <typename... Args>
    void info(fmt::format_string<Args...> format, Args&&... args) const {
        write(Level::info, fmt::format(format, std::forward<Args>(args)...));
    }
    template <typename... Args>
    void error(fmt::format_string<Args...> format, Args&&... args) const {
        write(Level::error, fmt::format(format, std::forward<Args>(args)...));
    }

    static std::string priv(std::string_view value);
    static constexpr const char* subsystem = "app.brimly";

    void write(Level level, std::string_view message) const;
    const std::string& category() const { return m_category; }

private:
    std::string m_category;
};

}  // namespace brimly
