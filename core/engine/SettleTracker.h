#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/base/Date.h"
#include "core/engine/Candidate.h"

namespace brimly {

// The size and modification date of a file at one look.
struct FileStamp {
    std::int64_t size = 0;
    Date modified = 0;
    bool operator==(const FileStamp&) const = default;
};

// Decides when a file found by a scratchpad, browser-screenshot or watched-folder event is complete: it must
// look the same at two consecutive looks, the checks backing off while it keeps changing. Also remembers
// what each path looked like when it was last taken, so that events which change nothing are ignored. A
// plain value over queue time; the engine owns one on its queue.
class SettleTracker {
public:
    static constexpr std::size_t stampLimit = 5000;

    // The wait before the `check`-th look (1-based): 0.3 s five times, then doubling up to 5 s.
    static double delay(int check);

    // A file seen by an event. False when it looks as it did when last taken (nothing to do); otherwise it
    // waits to settle, keeping its place in the schedule when it was already waiting.
    bool observe(const std::string& path, FileStamp stamp, double now, Candidate candidate);

    enum class Result { settled, changed, vanished };
    struct Check {
        Result result = Result::vanished;
        // For `settled`: the candidate the file was observed with.
        std::optional<Candidate> candidate;
    };
    // The look at a due path; `current` is nothing when the file is gone or no longer a regular file. A
    // settled file leaves the schedule and is stamped.
    Check check(const std::string& path, std::optional<FileStamp> current, double now);

    // Paths whose next look is due at `now`, in path order.
    std::vector<std::string> due(double now) const;
    std::optional<double> nextDue() const;
    bool isSettling(const std::string& path) const { return m_settling.count(path) != 0; }
    std::size_t settlingCount() const { return m_settling.size(); }

    void stamp(const std::string& path, FileStamp stamp) { m_stamps[path] = stamp; }
    bool hasStamp(const std::string& path, FileStamp stamp) const;
    void forget(const std::string& path);
    std::size_t stampCount() const { return m_stamps.size(); }
    // True when the stamps grew past the limit and were dropped.
    bool trimStamps();

private:
    struct Entry {
        FileStamp stamp;
        int checks = 0;
        double due = 0;
        Candidate candidate;
    };
    std::map<std::string, FileStamp> m_stamps;
    std::map<std::string, Entry> m_settling;
};

}  // namespace brimly
