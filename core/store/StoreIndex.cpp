#include "core/store/StoreIndex.h"

#include <cmath>

namespace brimly {

namespace {

// Decodes every element that can be decoded; the others are dropped.
template <typename T>
std::vector<T> lossy(const Json& list) {
    std::vector<T> result;
    result.reserve(list.size());
    for (const Json& element : list) {
        if (auto value = T::fromJson(element)) result.push_back(std::move(*value));
    }
    return result;
}

std::map<std::string, Date> dates(const Json& index, const char* key) {
    std::map<std::string, Date> result;
    const Json* object = JsonIO::object(index, key);
    if (object == nullptr) return result;
    for (const auto& [name, value] : object->items()) {
        if (!value.is_number()) continue;
        double seconds = value.get<double>();
        if (std::isfinite(seconds)) result.emplace(name, seconds);
    }
    return result;
}

Json datesJson(const std::map<std::string, Date>& dates) {
    Json object = Json::object();
    for (const auto& [name, date] : dates) object[name] = date;
    return object;
}

template <typename T>
Json arrayJson(const std::vector<T>& values) {
    Json list = Json::array();
    for (const T& value : values) list.push_back(value.toJson());
    return list;
}

}  // namespace

std::optional<StoreIndex> StoreIndex::decode(std::string_view text) {
    auto parsed = JsonIO::parse(text);
    if (!parsed || !parsed->is_object()) return std::nullopt;
    const Json& index = *parsed;
    const Json* items = JsonIO::array(index, "items");
    const Json* sessions = JsonIO::array(index, "sessions");
    const Json* prompts = JsonIO::array(index, "prompts");
    if (items == nullptr || sessions == nullptr || prompts == nullptr) return std::nullopt;

    StoreIndex result;
    result.version = JsonIO::integer(index, "version").value_or(currentVersion);
    result.lastRunAt = JsonIO::number(index, "lastRunAt");
    result.items = lossy<ShelfItem>(*items);
    result.sessions = lossy<Session>(*sessions);
    result.prompts = lossy<Prompt>(*prompts);
    if (const Json* hidden = JsonIO::array(index, "hidden")) {
        for (const Json& element : *hidden) {
            if (const auto* id = element.get_ptr<const std::string*>()) result.hidden.push_back(*id);
        }
    }
    if (const Json* hiddenItems = JsonIO::array(index, "hiddenItems")) {
        result.hiddenItems = lossy<HiddenRecord>(*hiddenItems);
    }
    result.deleted = dates(index, "deleted");
    result.deletedPaths = dates(index, "deletedPaths");
    result.titleChecks = dates(index, "titleChecks");
    return result;
}

std::string StoreIndex::encode() const {
    Json index = Json::object();
    index["version"] = version;
    if (lastRunAt) index["lastRunAt"] = *lastRunAt;
    index["items"] = arrayJson(items);
    index["sessions"] = arrayJson(sessions);
    index["prompts"] = arrayJson(prompts);
    index["hidden"] = hidden;
    index["hiddenItems"] = arrayJson(hiddenItems);
    index["deleted"] = datesJson(deleted);
    index["deletedPaths"] = datesJson(deletedPaths);
    index["titleChecks"] = datesJson(titleChecks);
    return JsonIO::dump(index);
}

namespace OffsetsFile {

std::optional<std::map<std::string, std::uint64_t>> decode(std::string_view text) {
    auto parsed = JsonIO::parse(text);
    if (!parsed || !parsed->is_object()) return std::nullopt;
    std::map<std::string, std::uint64_t> result;
    for (const auto& [path, value] : parsed->items()) {
        if (value.is_number_unsigned()) {
            result.emplace(path, value.get<std::uint64_t>());
        } else if (value.is_number_integer() && value.get<std::int64_t>() >= 0) {
            result.emplace(path, static_cast<std::uint64_t>(value.get<std::int64_t>()));
        }
    }
    return result;
}

std::string encode(const std::map<std::string, std::uint64_t>& offsets) {
    Json object = Json::object();
    for (const auto& [path, offset] : offsets) object[path] = offset;
    return JsonIO::dump(object);
}

}  // namespace OffsetsFile
}  // namespace brimly
