#include "core/store/StoreIndex.h"

#include <cmath>

namespace brimly {

namespace {

// Keys that may be paths are stored the way paths are (`storedPath`); ids never take that form.
std::map<std::string, Date> dates(const Json& index, const char* key) {
    std::map<std::string, Date> result;
    const Json* object = JsonIO::object(index, key);
    if (object == nullptr) return result;
    for (const auto& [name, value] : object->items()) {
        if (!value.is_number()) continue;
        double seconds = value.get<double>();
        if (std::isfinite(seconds)) result.emplace(pathFromStored(name), seconds);
    }
    return result;
}

std::string datesJson(const std::map<std::string, Date>& dates) {
    Json object = Json::object();
    for (const auto& [name, date] : dates) object[storedPath(name)] = date;
    return JsonIO::dump(object);
}

}  // namespace

bool StoreIndex::readSmallFields(const Json& index, StoreIndex& result) {
    if (!JsonIO::array(index, "items") || !JsonIO::array(index, "sessions") ||
        !JsonIO::array(index, "prompts")) {
        return false;
    }
    result.version = JsonIO::integer(index, "version").value_or(StoreIndex::currentVersion);
    result.lastRunAt = JsonIO::number(index, "lastRunAt");
    if (const Json* hidden = JsonIO::array(index, "hidden")) {
        for (const Json& element : *hidden) {
            if (const auto* id = element.get_ptr<const std::string*>()) result.hidden.push_back(*id);
        }
    }
    result.deleted = dates(index, "deleted");
    result.deletedPaths = dates(index, "deletedPaths");
    result.titleChecks = dates(index, "titleChecks");
    return true;
}

std::string StoreIndex::encode() const {
    Lists lists;
    for (const ShelfItem& item : items) lists.items.push_back(&item);
    for (const Session& session : sessions) lists.sessions.push_back(&session);
    for (const Prompt& prompt : prompts) lists.prompts.push_back(&prompt);
    std::string text;
    encode(lists, [&text](std::string_view piece) { text += piece; });
    return text;
}

// The same bytes as dumping the whole tree (compact, keys sorted), produced element by element.
void StoreIndex::encode(const Lists& lists, const std::function<void(std::string_view)>& put) const {
    bool firstKey = true;
    auto key = [&](const char* name) {
        put(firstKey ? "{" : ",");
        firstKey = false;
        put(JsonIO::dump(name));
        put(":");
    };
    auto array = [&put](const auto& values, const auto& toJson) {
        put("[");
        bool first = true;
        for (const auto& value : values) {
            if (!first) put(",");
            first = false;
            put(JsonIO::dump(toJson(value)));
        }
        put("]");
    };
    auto plain = [](const auto& value) { return value.toJson(); };
    auto pointed = [](const auto* value) { return value->toJson(); };
    key("deleted");
    put(datesJson(deleted));
    key("deletedPaths");
    put(datesJson(deletedPaths));
    key("hidden");
    put(JsonIO::dump(hidden));
    key("hiddenItems");
    array(hiddenItems, plain);
    key("items");
    array(lists.items, pointed);
    if (lastRunAt) {
        key("lastRunAt");
        put(JsonIO::dump(*lastRunAt));
    }
    key("prompts");
    array(lists.prompts, pointed);
    key("sessions");
    array(lists.sessions, pointed);
    key("titleChecks");
    put(datesJson(titleChecks));
    key("version");
    put(JsonIO::dump(version));
    put("}");
}

namespace OffsetsFile {

namespace {

std::optional<std::uint64_t> unsignedValue(const Json& value) {
    if (value.is_number_unsigned()) return value.get<std::uint64_t>();
    if (value.is_number_integer() && value.get<std::int64_t>() >= 0) {
        return static_cast<std::uint64_t>(value.get<std::int64_t>());
    }
    return std::nullopt;
}

std::optional<std::uint64_t> unsignedField(const Json& object, const char* key) {
    auto found = object.find(key);
    if (found == object.end()) return std::nullopt;
    return unsignedValue(*found);
}

}  // namespace

std::optional<Content> decode(std::string_view text) {
    auto parsed = JsonIO::parse(text);
    if (!parsed || !parsed->is_object()) return std::nullopt;
    Content result;
    for (const auto& [path, value] : parsed->items()) {
        std::string filePath = pathFromStored(path);
        if (!value.is_object()) {
            if (auto offset = unsignedValue(value)) result.offsets.emplace(filePath, *offset);
            continue;
        }
        auto offset = unsignedField(value, "offset");
        if (!offset) continue;
        result.offsets.emplace(filePath, *offset);
        auto device = unsignedField(value, "device");
        auto inode = unsignedField(value, "inode");
        if (device && inode) result.identities.emplace(filePath, FileIdentity{*device, *inode});
    }
    return result;
}

std::string encode(const Content& content) {
    Json object = Json::object();
    for (const auto& [path, offset] : content.offsets) {
        std::string key = storedPath(path);
        auto identity = content.identities.find(path);
        if (identity == content.identities.end()) {
            object[key] = offset;
        } else {
            object[key] = {
                {"device", identity->second.device}, {"inode", identity->second.inode}, {"offset", offset}};
        }
    }
    return JsonIO::dump(object);
}

}  // namespace OffsetsFile
}  // namespace brimly
