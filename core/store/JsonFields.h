#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/Date.h"
#include "core/base/Json.h"
#include "core/base/JsonTree.h"
#include "core/base/Url.h"

namespace brimly {

// The view of a parsed `Json` that `JsonFields` reads; `JsonTree::Value` is the other, with the same members.
class JsonRef {
public:
    explicit JsonRef(const Json& value) : m_value(&value) {}
    // So that a decoder written for both views can hand a nested object to a `fromJson(const Json&)`.
    operator const Json&() const { return *m_value; }  // NOLINT(google-explicit-constructor)

    bool isObject() const { return m_value->is_object(); }
    bool isArray() const { return m_value->is_array(); }
    bool isNull() const { return m_value->is_null(); }
    bool isString() const { return m_value->is_string(); }
    bool isNumber() const { return m_value->is_number(); }
    bool isInteger() const { return m_value->is_number_integer(); }
    bool isUnsigned() const { return m_value->is_number_unsigned(); }
    bool isReal() const { return m_value->is_number_float(); }

    std::string_view string() const { return m_value->get_ref<const std::string&>(); }
    double real() const { return m_value->get<double>(); }
    std::int64_t signedInteger() const { return m_value->get<std::int64_t>(); }
    std::uint64_t unsignedInteger() const { return m_value->get<std::uint64_t>(); }

    std::optional<JsonRef> find(std::string_view key) const {
        auto found = m_value->find(key);
        if (found == m_value->end()) return std::nullopt;
        return JsonRef(*found);
    }
    template <typename F>
    bool everyElement(F&& f) const {
        for (const Json& element : *m_value) {
            if (!f(JsonRef(element))) return false;
        }
        return true;
    }

private:
    const Json* m_value;
};

// Reads the fields of one persisted JSON object with the shelf's decoding rules: a missing or null key of
// an optional field is absent, a missing key of a required field or a value of the wrong type fails the
// whole object. Every read records failure instead of throwing; check `ok()` at the end. The same rules
// read a parsed `Json` (through `JsonRef`) and a `JsonTree`, the fast path of a large index.
template <typename Value>
class JsonFields {
public:
    explicit JsonFields(Value object) : m_object(object), m_ok(object.isObject()) {}

    bool ok() const { return m_ok; }
    // Marks the object undecodable, for checks the caller makes itself.
    void fail() { m_ok = false; }

    // A present, non-null value; a missing key fails the object when `required`.
    std::optional<Value> value(const char* key, bool required);

    std::string string(const char* key);
    std::optional<std::string> optionalString(const char* key);
    Date date(const char* key);
    std::optional<Date> optionalDate(const char* key);
    std::optional<Url> url(const char* key);
    std::optional<Url> optionalUrl(const char* key);
    std::optional<int> optionalInt(const char* key);

private:
    std::optional<std::string> readString(const char* key, bool required);
    std::optional<Date> readDate(const char* key, bool required);
    std::optional<Url> readUrl(const char* key, bool required);

    Value m_object;
    bool m_ok;
};

extern template class JsonFields<JsonRef>;
extern template class JsonFields<JsonTree::Value>;

// Writers matching `JsonFields`: absent values are left out.
namespace JsonWrite {

inline void put(Json& object, const char* key, const std::optional<std::string>& value) {
    if (value) object[key] = *value;
}
inline void put(Json& object, const char* key, const std::optional<Url>& value) {
    if (value) object[key] = value->string();
}
inline void putDate(Json& object, const char* key, const std::optional<Date>& value) {
    if (value) object[key] = *value;
}
inline void put(Json& object, const char* key, const std::optional<int>& value) {
    if (value) object[key] = *value;
}

}  // namespace JsonWrite
}  // namespace brimly
