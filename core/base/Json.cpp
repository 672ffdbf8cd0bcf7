#include "core/base/Json.h"

#include <cmath>

namespace brimly::JsonIO {

std::optional<Json> parse(std::string_view text) {
    Json value = Json::parse(text.begin(), text.end(), nullptr, false);
    if (value.is_discarded()) return std::nullopt;
    return value;
}

std::string dump(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

namespace {
const Json* field(const Json& object, const char* key) {
    if (!object.is_object()) return nullptr;
    auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}
}  // namespace

std::optional<std::string> string(const Json& object, const char* key) {
    const Json* value = field(object, key);
    if (value == nullptr || !value->is_string()) return std::nullopt;
    return value->get<std::string>();
}

std::optional<double> number(const Json& object, const char* key) {
    const Json* value = field(object, key);
    if (value == nullptr || !value->is_number()) return std::nullopt;
    double result = value->get<double>();
    if (!std::isfinite(result)) return std::nullopt;
    return result;
}

std::optional<long> integer(const Json& object, const char* key) {
    const Json* value = field(object, key);
    if (value == nullptr) return std::nullopt;
    if (value->is_number_integer()) return value->get<long>();
    if (value->is_number_float()) {
        double real = value->get<double>();
        if (std::isfinite(real) && real == std::floor(real) && std::fabs(real) < 9.0e15) {
            return static_cast<long>(real);
        }
    }
    return std::nullopt;
}

std::optional<bool> boolean(const Json& object, const char* key) {
    const Json* value = field(object, key);
    if (value == nullptr || !value->is_boolean()) return std::nullopt;
    return value->get<bool>();
}

const Json* array(const Json& object, const char* key) {
    const Json* value = field(object, key);
    return value != nullptr && value->is_array() ? value : nullptr;
}

const Json* object(const Json& object, const char* key) {
    const Json* value = field(object, key);
    return value != nullptr && value->is_object() ? value : nullptr;
}

}  // namespace brimly::JsonIO
