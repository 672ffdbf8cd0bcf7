#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/base/Date.h"
#include "core/base/Json.h"
#include "core/base/JsonTree.h"
#include "core/base/TimeZone.h"

namespace brimly {

// A Claude Code session, a watched folder ("folder:" + path) or the catch-all "unsorted" session that
// shelf items belong to, with the labels the drawer shows for it.
struct Session {
    static constexpr std::string_view unsortedID = "unsorted";

    // The context part and the start time of a session row.
    struct RowDetail {
        std::optional<std::string> context;
        std::string time;
        bool operator==(const RowDetail&) const = default;
    };

    std::string id;
    std::optional<std::string> slug;
    std::optional<std::string> cwd;
    std::optional<std::string> branch;
    Date startedAt = 0;
    Date lastActive = 0;
    std::optional<std::string> agentName;
    std::optional<std::string> customTitle;
    std::optional<std::string> aiTitle;
    std::optional<std::string> firstPrompt;
    std::optional<Date> firstPromptAt;

    static std::string folderID(std::string_view path);
    static bool isFolderID(std::string_view id);
    // An id as stored text: a folder session's root is stored the way paths are (`storedPath`), so that a
    // root whose name is not UTF-8 keeps its session across a restart.
    static std::string storedID(std::string_view id);
    static std::string idFromStored(std::string_view text);
    bool isWatchedFolder() const { return isFolderID(id); }

    // The first of agent name, custom title, AI title and first prompt that has text once its lines are
    // joined with single spaces and trimmed.
    std::optional<std::string> name() const;
    std::string folder() const;
    std::optional<std::string> branchLabel() const;
    // "HH:mm" when the session started on the same day as `now` in `zone`, else "EEE HH:mm".
    std::string startText(Date now, const TimeZone& zone) const;
    std::string title(Date now, const TimeZone& zone) const;
    RowDetail rowDetail(Date now, const TimeZone& zone) const;

    Json toJson() const;
    static std::optional<Session> fromJson(const Json& object);
    static std::optional<Session> fromJson(JsonTree::Value object);

    bool operator==(const Session&) const = default;
};

}  // namespace brimly
