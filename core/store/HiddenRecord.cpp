#include "core/store/HiddenRecord.h"

#include "core/store/JsonFields.h"

namespace brimly {

Json HiddenRecord::toJson() const {
    Json object = Json::object();
    object["item"] = item.toJson();
    object["hiddenAt"] = hiddenAt;
    return object;
}

namespace {

template <typename Value>
std::optional<HiddenRecord> decode(Value object) {
    JsonFields fields(object);
    auto itemObject = fields.value("item", true);
    Date hiddenAt = fields.date("hiddenAt");
    if (!fields.ok() || !itemObject) return std::nullopt;
    auto item = ShelfItem::fromJson(*itemObject);
    if (!item) return std::nullopt;
    return HiddenRecord{std::move(*item), hiddenAt};
}

}  // namespace

std::optional<HiddenRecord> HiddenRecord::fromJson(const Json& object) { return decode(JsonRef(object)); }
std::optional<HiddenRecord> HiddenRecord::fromJson(JsonTree::Value object) { return decode(object); }

}  // namespace brimly
