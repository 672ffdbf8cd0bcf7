#include "core/store/ItemVersion.h"

#include "core/store/JsonFields.h"

namespace brimly {

Json ItemVersion::toJson() const {
    Json object = Json::object();
    object["fileURL"] = fileURL.string();
    object["createdAt"] = createdAt;
    JsonWrite::put(object, "promptID", promptID);
    JsonWrite::put(object, "width", width);
    JsonWrite::put(object, "height", height);
    return object;
}

namespace {

template <typename Value>
std::optional<ItemVersion> decode(Value object) {
    JsonFields fields(object);
    auto fileURL = fields.url("fileURL");
    Date createdAt = fields.date("createdAt");
    auto promptID = fields.optionalString("promptID");
    auto width = fields.optionalInt("width");
    auto height = fields.optionalInt("height");
    if (!fields.ok() || !fileURL) return std::nullopt;
    return ItemVersion{*fileURL, createdAt, promptID, width, height};
}

}  // namespace

std::optional<ItemVersion> ItemVersion::fromJson(const Json& object) { return decode(JsonRef(object)); }
std::optional<ItemVersion> ItemVersion::fromJson(JsonTree::Value object) { return decode(object); }

}  // namespace brimly
