#include "core/store/Session.h"

#include <array>
#include <cstdio>
#include <vector>

#include "core/base/Utf8.h"
#include "core/store/JsonFields.h"

namespace brimly {

namespace {

constexpr std::string_view folderPrefix = "folder:";
constexpr std::string_view separator = " \xC2\xB7 ";

std::optional<std::string> cleanedName(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    std::string joined;
    for (std::string_view line : Utf8::splitLines(*text)) {
        if (line.empty()) continue;
        if (!joined.empty()) joined.push_back(' ');
        joined.append(line);
    }
    std::string_view trimmed = Utf8::trimSpaces(joined);
    if (trimmed.empty()) return std::nullopt;
    return std::string(trimmed);
}

std::string joinParts(const std::vector<std::string>& parts) {
    std::string result;
    for (const std::string& part : parts) {
        if (!result.empty()) result.append(separator);
        result.append(part);
    }
    return result;
}

std::string lastPathComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    if (path == "/") return "/";
    auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace

std::string Session::folderID(std::string_view path) {
    std::string id(folderPrefix);
    id.append(path);
    return id;
}

bool Session::isFolderID(std::string_view id) { return id.substr(0, folderPrefix.size()) == folderPrefix; }

std::string Session::storedID(std::string_view id) {
    if (!isFolderID(id)) return std::string(id);
    return std::string(folderPrefix) + storedPath(id.substr(folderPrefix.size()));
}

std::string Session::idFromStored(std::string_view text) {
    if (!isFolderID(text)) return std::string(text);
    return std::string(folderPrefix) + pathFromStored(text.substr(folderPrefix.size()));
}

std::optional<std::string> Session::name() const {
    for (const auto* candidate : {&agentName, &customTitle, &aiTitle, &firstPrompt}) {
        if (auto cleaned = cleanedName(*candidate)) return cleaned;
    }
    return std::nullopt;
}

std::string Session::folder() const {
    if (id == unsortedID) return "Unsorted";
    if (cwd && !cwd->empty()) return lastPathComponent(*cwd);
    if (slug) {
        std::string_view rest = *slug;
        std::string_view last;
        while (!rest.empty()) {
            auto dash = rest.find('-');
            std::string_view piece = rest.substr(0, dash);
            if (!piece.empty()) last = piece;
            if (dash == std::string_view::npos) break;
            rest.remove_prefix(dash + 1);
        }
        if (!last.empty()) return std::string(last);
    }
    return "Session";
}

std::optional<std::string> Session::branchLabel() const {
    if (!branch || branch->empty() || *branch == "HEAD") return std::nullopt;
    return branch;
}

std::string Session::startText(Date now, const TimeZone& zone) const {
    static constexpr std::array<const char*, 7> weekdays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    CivilTime start = zone.civil(startedAt);
    CivilTime today = zone.civil(now);
    std::array<char, 16> buffer{};
    if (start.isSameDay(today)) {
        std::snprintf(buffer.data(), buffer.size(), "%02d:%02d", start.hour, start.minute);
    } else {
        std::snprintf(buffer.data(), buffer.size(), "%s %02d:%02d",
                      weekdays.at(static_cast<std::size_t>(start.weekday)), start.hour, start.minute);
    }
    return buffer.data();
}

std::string Session::title(Date now, const TimeZone& zone) const {
    std::vector<std::string> parts{folder()};
    if (auto label = branchLabel()) parts.push_back(*label);
    parts.push_back(startText(now, zone));
    return joinParts(parts);
}

Session::RowDetail Session::rowDetail(Date now, const TimeZone& zone) const {
    RowDetail detail;
    detail.time = startText(now, zone);
    if (isWatchedFolder()) return detail;
    std::vector<std::string> parts;
    if (name()) parts.push_back(folder());
    if (auto label = branchLabel()) parts.push_back(*label);
    std::string context = joinParts(parts);
    if (!context.empty()) detail.context = std::move(context);
    return detail;
}

Json Session::toJson() const {
    Json object = Json::object();
    object["id"] = storedID(id);
    JsonWrite::put(object, "slug", slug);
    if (cwd) object["cwd"] = storedPath(*cwd);
    JsonWrite::put(object, "branch", branch);
    object["startedAt"] = startedAt;
    object["lastActive"] = lastActive;
    JsonWrite::put(object, "agentName", agentName);
    JsonWrite::put(object, "customTitle", customTitle);
    JsonWrite::put(object, "aiTitle", aiTitle);
    JsonWrite::put(object, "firstPrompt", firstPrompt);
    JsonWrite::putDate(object, "firstPromptAt", firstPromptAt);
    return object;
}

namespace {

template <typename Value>
std::optional<Session> decode(Value object) {
    JsonFields fields(object);
    Session session;
    session.id = Session::idFromStored(fields.string("id"));
    session.slug = fields.optionalString("slug");
    if (auto cwd = fields.optionalString("cwd")) session.cwd = pathFromStored(*cwd);
    session.branch = fields.optionalString("branch");
    session.startedAt = fields.date("startedAt");
    session.lastActive = fields.date("lastActive");
    session.agentName = fields.optionalString("agentName");
    session.customTitle = fields.optionalString("customTitle");
    session.aiTitle = fields.optionalString("aiTitle");
    session.firstPrompt = fields.optionalString("firstPrompt");
    session.firstPromptAt = fields.optionalDate("firstPromptAt");
    if (!fields.ok()) return std::nullopt;
    return session;
}

}  // namespace

std::optional<Session> Session::fromJson(const Json& object) { return decode(JsonRef(object)); }
std::optional<Session> Session::fromJson(JsonTree::Value object) { return decode(object); }

}  // namespace brimly
