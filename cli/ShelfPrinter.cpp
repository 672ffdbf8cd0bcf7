#include "cli/ShelfPrinter.h"

#include <algorithm>
#include <ctime>

#include "core/base/Json.h"
#include "core/base/Utf8.h"
#include "core/store/ShelfItemKind.h"
#include "core/store/Source.h"

namespace brimly::cli {

namespace {
std::string localTime(Date date) {
    auto seconds = static_cast<std::time_t>(unixFromDate(date));
    std::tm parts{};
    localtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

std::string sourcesText(const ShelfItem& item) {
    std::string text;
    for (Source source : item.sourceKinds) {
        if (!text.empty()) text += ",";
        text += Sources::rawValue(source);
    }
    return text;
}
}  // namespace

std::string terminalSafe(std::string_view text) {
    std::string safe;
    safe.reserve(text.size());
    char escape[8];
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = Utf8::characterLength(text, at);
        auto byte = static_cast<unsigned char>(text[at]);
        auto next = length == 2 ? static_cast<unsigned char>(text[at + 1]) : 0;
        if (byte == 0xC2 && next >= 0x80 && next < 0xA0) {
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(next));
            safe += escape;
        } else if (byte < 0x20 || byte == 0x7F || (byte >= 0x80 && length == 1)) {
            std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned>(byte));
            safe += escape;
        } else {
            safe.append(text.substr(at, length));
        }
        at += length;
    }
    return safe;
}

void ShelfPrinter::printItem(const ShelfItem& item, const Session* session, Date now) {
    if (m_json) {
        Json line = {{"item", item.toJson()}, {"session", session ? session->toJson() : Json(nullptr)}};
        std::fprintf(m_out, "%s\n", JsonIO::dump(line).c_str());
    } else {
        std::string sessionTitle = terminalSafe(session ? session->title(now, m_zone) : item.sessionID);
        std::string copy = item.fileURL     ? item.fileURL->path().value_or(item.fileURL->string())
                           : item.remoteURL ? item.remoteURL->string()
                                            : "";
        std::fprintf(m_out, "%s  %s  %s  %s  [%s]  %s\n", localTime(item.createdAt).c_str(),
                     std::string(ShelfItemKinds::rawValue(item.kind)).c_str(), sessionTitle.c_str(),
                     terminalSafe(item.title).c_str(), sourcesText(item).c_str(), terminalSafe(copy).c_str());
    }
    std::fflush(m_out);
}

void ShelfPrinter::printGrouped(const std::vector<ShelfItem>& items, const std::vector<Session>& sessions,
                                Date now) {
    std::map<std::string, const Session*> byID;
    for (const Session& session : sessions) byID[session.id] = &session;
    std::vector<const ShelfItem*> ordered;
    for (const ShelfItem& item : items) ordered.push_back(&item);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const ShelfItem* a, const ShelfItem* b) { return a->createdAt > b->createdAt; });
    std::vector<std::string> sessionOrder;
    std::map<std::string, std::vector<const ShelfItem*>> groups;
    for (const ShelfItem* item : ordered) {
        auto& group = groups[item->sessionID];
        if (group.empty()) sessionOrder.push_back(item->sessionID);
        group.push_back(item);
    }
    for (const std::string& id : sessionOrder) {
        auto found = byID.find(id);
        const Session* session = found == byID.end() ? nullptr : found->second;
        if (!m_json) {
            std::string title = terminalSafe(session ? session->title(now, m_zone) : id);
            std::fprintf(m_out, "%s (%zu)\n", title.c_str(), groups[id].size());
        }
        for (const ShelfItem* item : groups[id]) {
            if (!m_json) std::fprintf(m_out, "  ");
            printItem(*item, session, now);
        }
    }
    std::fflush(m_out);
}

std::string ArrivalPrinter::emptyShelfText(bool claudeFound, bool foldersWatched) {
    if (claudeFound && foldersWatched) {
        return "Nothing yet. What Claude makes, and new files in your watched folders, will appear here.";
    }
    if (claudeFound) return "Nothing yet. Images, pages and documents Claude makes will appear here.";
    if (foldersWatched) return "Nothing yet. New files in your watched folders will appear here.";
    return "Nothing here yet. Watch a folder, or run Claude Code.";
}

void ArrivalPrinter::snapshot(const Snapshot& snapshot, Date now) {
    std::map<std::string, const Session*> sessions;
    for (const Session& session : snapshot.sessions) sessions[session.id] = &session;
    if (m_first) {
        m_first = false;
        for (const ShelfItem& item : snapshot.items) m_known.insert(item.id);
        // The JSON stream carries items only, so the summary goes beside it.
        std::FILE* out = m_json ? stderr : m_out;
        if (snapshot.items.empty()) {
            std::fprintf(out, "%s\n", emptyShelfText(m_claudeFound, m_foldersWatched).c_str());
        } else {
            std::map<std::string, std::size_t> counts;
            std::vector<std::string> order;
            for (const ShelfItem& item : snapshot.items) {
                if (counts[item.sessionID]++ == 0) order.push_back(item.sessionID);
            }
            // The snapshot holds only the newest items; the count is the whole shelf's.
            std::size_t count = std::max(snapshot.shelfSize, snapshot.items.size());
            std::fprintf(out, "%zu %s on the shelf\n", count, count == 1 ? "item" : "items");
            if (count > snapshot.items.size()) std::fprintf(out, "the newest %zu:\n", snapshot.items.size());
            for (const std::string& id : order) {
                auto found = sessions.find(id);
                std::string title =
                    terminalSafe(found == sessions.end() ? id : found->second->title(now, TimeZone::local()));
                std::fprintf(out, "  %s: %zu\n", title.c_str(), counts[id]);
            }
        }
        std::fflush(out);
        return;
    }
    // A burst can bring items older than the snapshot's newest, which it then carries beside them.
    std::vector<std::pair<const ShelfItem*, const Session*>> arrived;
    for (const ShelfItem& item : snapshot.items) {
        if (!m_known.insert(item.id).second) continue;
        auto found = sessions.find(item.sessionID);
        arrived.emplace_back(&item, found == sessions.end() ? nullptr : found->second);
    }
    for (const Snapshot::LateArrival& late : snapshot.arrivedBeyondLimit) {
        if (m_known.insert(late.item.id).second)
            arrived.emplace_back(&late.item, late.session ? &*late.session : nullptr);
    }
    // Oldest first, so that the output reads in arrival order.
    std::stable_sort(arrived.begin(), arrived.end(), [](const auto& left, const auto& right) {
        return left.first->createdAt < right.first->createdAt;
    });
    for (const auto& [item, session] : arrived) m_printer.printItem(*item, session, now);
}

}  // namespace brimly::cli
