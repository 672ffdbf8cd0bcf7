#include "core/base/Log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "core/base/Env.h"

#ifdef BRIMLY_HAVE_SYSTEMD
#define SD_JOURNAL_SUPPRESS_LOCATION
#include <systemd/sd-journal.h>
#endif

namespace brimly {

namespace {

bool showsPrivate() {
    static const bool shows = Env::boolValue("BRIMLY_LOG_PRIVATE", Env::process());
    return shows;
}

// sd_journal_send reports success even when no journal listens, so the socket is looked for instead.
bool journalIsReachable() {
#ifdef BRIMLY_HAVE_SYSTEMD
    static const bool reachable = [] {
        struct stat info {};
        return ::stat("/run/systemd/journal/socket", &info) == 0 && S_ISSOCK(info.st_mode);
    }();
    return reachable;
#else
    return false;
#endif
}

std::mutex& sinkMutex() {
    static std::mutex mutex;
    return mutex;
}

// The sink of the innermost live ScopedSink; guarded by sinkMutex.
const Log::Sink*& currentSink() {
    static const Log::Sink* sink = nullptr;
    return sink;
}

}  // namespace

Log::ScopedSink::ScopedSink(Sink sink) : m_sink(std::move(sink)) {
    std::lock_guard lock(sinkMutex());
    m_previous = currentSink();
    currentSink() = &m_sink;
}

Log::ScopedSink::~ScopedSink() {
    std::lock_guard lock(sinkMutex());
    currentSink() = m_previous;
}

std::string Log::priv(std::string_view value) { return showsPrivate() ? std::string(value) : "<private>"; }

void Log::write(Level level, std::string_view message) const {
    {
        std::lock_guard lock(sinkMutex());
        if (const Sink* sink = currentSink()) {
            (*sink)(level, m_category, message);
            return;
        }
    }
#ifdef BRIMLY_HAVE_SYSTEMD
    if (journalIsReachable()) {
        int priority = level == Level::error ? 3 : 6;
        sd_journal_send("MESSAGE=%.*s", static_cast<int>(message.size()), message.data(), "PRIORITY=%i",
                        priority, "SYSLOG_IDENTIFIER=brimly", "BRIMLY_SUBSYSTEM=%s", subsystem,
                        "BRIMLY_CATEGORY=%s", m_category.c_str(), nullptr);
        return;
    }
#endif
    std::lock_guard lock(sinkMutex());
    std::fprintf(stderr, "[%s:%s] %s: %.*s\n", subsystem, m_category.c_str(),
                 level == Level::error ? "error" : "info", static_cast<int>(message.size()), message.data());
}

}  // namespace brimly
