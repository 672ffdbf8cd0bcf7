// Reading "index.json": simdjson's On-Demand parser over the whole text, each element of the large arrays
// built into a reusable `JsonTree` and decoded by the same rules as a parsed `Json`. Building a `Json` for
// every element was most of what a restart over a large shelf took.
#include <simdjson.h>

#include <utility>

#include "core/store/StoreIndex.h"

namespace brimly {

namespace {

namespace od = simdjson::ondemand;

bool build(od::value value, JsonTree& tree, std::string_view key);

bool buildMembers(od::object object, JsonTree& tree) {
    for (auto member : object) {
        od::field field;
        std::string_view key;
        if (std::move(member).get(field) || field.unescaped_key().get(key)) return false;
        if (!build(field.value(), tree, key)) return false;
    }
    return true;
}

bool buildElements(od::array array, JsonTree& tree) {
    for (auto element : array) {
        od::value value;
        if (element.get(value) || !build(value, tree, {})) return false;
    }
    return true;
}

bool buildNumber(od::value value, JsonTree::Node& node) {
    od::number_type type;
    if (!value.get_number_type().get(type)) {
        if (type == od::number_type::signed_integer && !value.get_int64().get(node.signedInteger)) {
            node.type = JsonTree::Type::signedInteger;
            return true;
        }
        if (type == od::number_type::unsigned_integer && !value.get_uint64().get(node.unsignedInteger)) {
            node.type = JsonTree::Type::unsignedInteger;
            return true;
        }
    }
    // Integers beyond 64 bits read as reals, as they do in a parsed `Json`.
    node.type = JsonTree::Type::real;
    return !value.get_double().get(node.real);
}

// Appends `value` and everything in it; false when it is not well-formed JSON.
bool build(od::value value, JsonTree& tree, std::string_view key) {
    od::json_type type;
    if (value.type().get(type)) return false;
    JsonTree::Node node;
    node.key = key;
    switch (type) {
        case od::json_type::object: {
            node.type = JsonTree::Type::object;
            od::object object;
            if (value.get_object().get(object)) return false;
            std::uint32_t at = tree.add(node);
            if (!buildMembers(object, tree)) return false;
            tree.close(at);
            return true;
        }
        case od::json_type::array: {
            node.type = JsonTree::Type::array;
            od::array array;
            if (value.get_array().get(array)) return false;
            std::uint32_t at = tree.add(node);
            if (!buildElements(array, tree)) return false;
            tree.close(at);
            return true;
        }
        case od::json_type::string:
            node.type = JsonTree::Type::string;
            if (value.get_string().get(node.text)) return false;
            break;
        case od::json_type::number:
            if (!buildNumber(value, node)) return false;
            break;
        case od::json_type::boolean:
            node.type = JsonTree::Type::boolean;
            if (value.get_bool().get(node.boolean)) return false;
            break;
        case od::json_type::null: {
            bool isNull = false;
            if (value.is_null().get(isNull) || !isNull) return false;
            break;
        }
    }
    tree.add(node);
    return true;
}

Json toJson(JsonTree::Value value) {
    if (value.isObject() || value.isArray()) {
        Json container = value.isObject() ? Json::object() : Json::array();
        value.everyElement([&container](JsonTree::Value member) {
            if (container.is_object()) {
                container[std::string(member.key())] = toJson(member);
            } else {
                container.push_back(toJson(member));
            }
            return true;
        });
        return container;
    }
    if (value.isString()) return std::string(value.string());
    if (value.isUnsigned()) return value.unsignedInteger();
    if (value.isInteger()) return value.signedInteger();
    if (value.isReal()) return value.real();
    if (value.isBoolean()) return value.boolean();
    return nullptr;
}

// Keeps every element that can be decoded; the others are dropped.
template <typename T>
void keep(std::vector<T>& list, JsonTree::Value element) {
    if (auto value = T::fromJson(element)) list.push_back(std::move(*value));
}

std::optional<StoreIndex> decodePadded(const simdjson::padded_string& text,
                                       const std::function<void(ShelfItem&&)>& onItem) {
    od::parser parser;
    od::document document;
    od::object root;
    if (parser.iterate(text).get(document) || document.get_object().get(root)) return std::nullopt;

    StoreIndex result;
    // The index without its large arrays, which hold empty arrays here as they would after a streamed parse.
    Json top = Json::object();
    JsonTree tree;
    for (auto member : root) {
        od::field field;
        std::string_view key;
        if (std::move(member).get(field) || field.unescaped_key().get(key)) return std::nullopt;
        od::value value = field.value();
        od::json_type type;
        if (value.type().get(type)) return std::nullopt;
        bool streamed = key == "items" || key == "sessions" || key == "prompts" || key == "hiddenItems";
        if (streamed && type == od::json_type::array) {
            od::array array;
            if (value.get_array().get(array)) return std::nullopt;
            for (auto element : array) {
                od::value item;
                tree.clear();
                if (element.get(item) || !build(item, tree, {})) return std::nullopt;
                if (key == "items") {
                    if (auto decoded = ShelfItem::fromJson(tree.root())) onItem(std::move(*decoded));
                } else if (key == "sessions") {
                    keep(result.sessions, tree.root());
                } else if (key == "prompts") {
                    keep(result.prompts, tree.root());
                } else {
                    keep(result.hiddenItems, tree.root());
                }
            }
            top[std::string(key)] = Json::array();
            continue;
        }
        tree.clear();
        if (!build(value, tree, {})) return std::nullopt;
        top[std::string(key)] = toJson(tree.root());
    }
    // Anything after the object makes the file malformed.
    const char* rest = nullptr;
    if (document.current_location().get(rest) != simdjson::OUT_OF_BOUNDS) return std::nullopt;
    if (!StoreIndex::readSmallFields(top, result)) return std::nullopt;
    return result;
}

}  // namespace

std::optional<StoreIndex> StoreIndex::decode(std::string_view text) {
    std::vector<ShelfItem> items;
    auto result = decode(text, [&items](ShelfItem&& item) { items.push_back(std::move(item)); });
    if (result) result->items = std::move(items);
    return result;
}

std::optional<StoreIndex> StoreIndex::decode(std::string_view text,
                                             const std::function<void(ShelfItem&&)>& onItem) {
    return decodePadded(simdjson::padded_string(text), onItem);
}

std::optional<StoreIndex> StoreIndex::decodeFile(const std::string& path,
                                                 const std::function<void(ShelfItem&&)>& onItem) {
    simdjson::padded_string text;
    if (simdjson::padded_string::load(path).get(text)) return std::nullopt;
    return decodePadded(text, onItem);
}

}  // namespace brimly
