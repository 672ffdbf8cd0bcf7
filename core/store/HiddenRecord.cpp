#include "core/store/HiddenRecord.h"

#include "core/store/JsonFields.h"

namespace brimly {

Json HiddenRecord::toJson() const {
    Json object = Json::object();
    object["item"] = item.toJson();
    object["hiddenAt"] = hiddenAt;
    return object;
}

std::optional<HiddenRecord> HiddenRecord::fromJson(const Json& object) {
    JsonFields fields(object);
    const Json* itemObject = fields.value("item", true);
    Date hiddenAt = fields.date("hiddenAt");
    if (!fields.ok() || itemObject == nullptr) return std::nullopt;
    auto item = ShelfItem::fromJson(*itemObject);
    if (!item) return std::nullopt;
    return HiddenRecord{std::move(*item), hiddenAt};
}

}  // namespace brimly
