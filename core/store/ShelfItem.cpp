#include "core/store/ShelfItem.h"

#include "core/store/JsonFields.h"
#include "core/store/Session.h"

namespace brimly {

std::optional<ItemVersion> ShelfItem::current() const {
    if (!fileURL) return std::nullopt;
    return ItemVersion{*fileURL, createdAt, promptID, width, height};
}

std::vector<ItemVersion> ShelfItem::allVersions() const {
    std::vector<ItemVersion> result = versions;
    if (auto now = current()) result.push_back(std::move(*now));
    return result;
}

Json ShelfItem::toJson() const {
    Json object = Json::object();
    object["id"] = id;
    object["kind"] = std::string(ShelfItemKinds::rawValue(kind));
    JsonWrite::put(object, "fileURL", fileURL);
    JsonWrite::put(object, "remoteURL", remoteURL);
    if (sourcePath) object["sourcePath"] = storedPath(*sourcePath);
    object["title"] = title;
    object["sessionID"] = Session::storedID(sessionID);
    JsonWrite::put(object, "promptID", promptID);
    Json sources = Json::array();
    for (Source source : sourceKinds) sources.push_back(std::string(Sources::rawValue(source)));
    object["sourceKinds"] = std::move(sources);
    object["createdAt"] = createdAt;
    JsonWrite::putDate(object, "seenAt", seenAt);
    JsonWrite::put(object, "width", width);
    JsonWrite::put(object, "height", height);
    JsonWrite::put(object, "captureID", captureID);
    if (!versions.empty()) {
        Json list = Json::array();
        for (const ItemVersion& version : versions) list.push_back(version.toJson());
        object["versions"] = std::move(list);
    }
    return object;
}

namespace {

template <typename Value>
std::optional<ShelfItem> decode(Value object) {
    JsonFields fields(object);
    ShelfItem item;
    item.id = fields.string("id");
    auto kindText = fields.string("kind");
    auto kind = ShelfItemKinds::fromRawValue(kindText);
    if (!kind) return std::nullopt;
    item.kind = *kind;
    item.fileURL = fields.optionalUrl("fileURL");
    item.remoteURL = fields.optionalUrl("remoteURL");
    if (auto path = fields.optionalString("sourcePath")) item.sourcePath = pathFromStored(*path);
    item.title = fields.string("title");
    item.sessionID = Session::idFromStored(fields.string("sessionID"));
    item.promptID = fields.optionalString("promptID");
    auto sources = fields.value("sourceKinds", true);
    if (!sources || !sources->isArray()) return std::nullopt;
    bool sourcesRead = sources->everyElement([&item](Value element) {
        auto source = element.isString() ? Sources::fromRawValue(element.string()) : std::nullopt;
        if (source) item.sourceKinds.insert(*source);
        return source.has_value();
    });
    if (!sourcesRead) return std::nullopt;
    item.createdAt = fields.date("createdAt");
    item.seenAt = fields.optionalDate("seenAt");
    item.width = fields.optionalInt("width");
    item.height = fields.optionalInt("height");
    item.captureID = fields.optionalString("captureID");
    if (auto list = fields.value("versions", false)) {
        if (!list->isArray()) return std::nullopt;
        bool versionsRead = list->everyElement([&item](Value element) {
            auto version = ItemVersion::fromJson(element);
            if (version) item.versions.push_back(std::move(*version));
            return version.has_value();
        });
        if (!versionsRead) return std::nullopt;
    }
    if (!fields.ok()) return std::nullopt;
    return item;
}

}  // namespace

std::optional<ShelfItem> ShelfItem::fromJson(const Json& object) { return decode(JsonRef(object)); }
std::optional<ShelfItem> ShelfItem::fromJson(JsonTree::Value object) { return decode(object); }

}  // namespace brimly
