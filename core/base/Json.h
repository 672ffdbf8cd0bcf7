#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/Date.h"

namespace brimly {

// nlohmann/json with the house rules: parsing never throws, output is compact with sorted keys and
// invalid UTF-8 is replaced rather than aborting.
using Json = nlohmann::json;

namespace JsonIO {

std::optional<Json> parse(std::string_view text);
std::string dump(const Json& value);

// Lenient field access: a missing key or a value of another type gives nothing.
std::optional<std::string> string(const Json& object, const char* key);
std::optional<double> number(const Json& object, const char* key);
std::optional<long> integer(const Json& object, const char* key);
std::optional<bool> boolean(const Json& object, const char* key);
const Json* array(const Json& object, const char* key);
const Json* object(const Json& object, const char* key);

}  // namespace JsonIO
}  // namespace brimly
