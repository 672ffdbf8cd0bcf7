#pragma once

#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/TimeZone.h"
#include "core/store/Session.h"
#include "core/store/ShelfItem.h"
#include "core/store/Snapshot.h"

namespace brimly::cli {

// Text that cannot steer a terminal: C0 controls, DEL and bytes that are not UTF-8 become `\x1b`-style
// escapes and the C1 controls (U+0080-U+009F) `\u009b`-style ones. Titles and file names come from
// transcripts and folders that anyone may write to.
std::string terminalSafe(std::string_view text);

// Writes shelf items as text lines or as one JSON object per line; shared by "watch" and "list".
class ShelfPrinter {
public:
    ShelfPrinter(std::FILE* out, bool json, TimeZone zone = TimeZone::local())
        : m_out(out), m_json(json), m_zone(zone) {}

    // One item: local time, kind, session title, item title, sources and the copy's path; or with JSON the
    // item and its session in their stored forms.
    void printItem(const ShelfItem& item, const Session* session, Date now);
    // Items grouped by session, the sessions ordered by their newest item; items newest first.
    void printGrouped(const std::vector<ShelfItem>& items, const std::vector<Session>& sessions, Date now);

private:
    std::FILE* m_out;
    bool m_json;
    TimeZone m_zone;
};

// The first snapshot's summary or empty-shelf text, then each newly arrived item; runs on the main queue.
class ArrivalPrinter {
public:
    ArrivalPrinter(std::FILE* out, bool json, bool foldersWatched)
        : m_printer(out, json), m_out(out), m_json(json), m_foldersWatched(foldersWatched) {}

    void claudeFound(bool found) { m_claudeFound = found; }
    void snapshot(const Snapshot& snapshot, Date now);

    static std::string emptyShelfText(bool claudeFound, bool foldersWatched);

private:
    ShelfPrinter m_printer;
    std::FILE* m_out;
    bool m_json;
    bool m_foldersWatched;
    bool m_claudeFound = false;
    bool m_first = true;
    std::set<std::string> m_known;
};

}  // namespace brimly::cli
