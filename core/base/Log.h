#pragma once

#include <fmt/format.h>

#include <functional>
#include <string>
#include <string_view>

namespace brimly {

// The structured log: subsystem "app.brimly", one category per area, info and error levels. It goes to the
// systemd journal when its socket exists, else to standard error, unless a `ScopedSink` takes the lines.
// Values wrapped in `Log::priv` are written as "<private>" unless BRIMLY_LOG_PRIVATE=1. Usable from any
// thread.
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

    // Receives each line (level, category, message) instead of the journal or standard error.
    using Sink = std::function<void(Level, std::string_view, std::string_view)>;
    // Sends the lines of every Log in the process to `sink` while it lives, then to where they went before;
    // tests use it to read what was logged whatever the machine's journal. The sink is called under a lock,
    // one line at a time, and must not log.
    class ScopedSink {
    public:
        explicit ScopedSink(Sink sink);
        ~ScopedSink();
        ScopedSink(const ScopedSink&) = delete;
        ScopedSink& operator=(const ScopedSink&) = delete;

    private:
        Sink m_sink;
        const Sink* m_previous;
    };

private:
    std::string m_category;
};

}  // namespace brimly
