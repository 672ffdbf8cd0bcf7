#pragma once

#include <optional>
#include <string>

#include "core/base/Date.h"
#include "core/base/Json.h"
#include "core/base/Url.h"

namespace brimly {

// Reads the fields of one persisted JSON object with the shelf's decoding rules: a missing or null key of
// an optional field is absent, a missing key of a required field or a value of the wrong type fails the
// whole object. Every read records failure instead of throwing; check `ok()` at the end.
class JsonFields {
public:
    explicit JsonFields(const Json& object) : m_object(object), m_ok(object.is_object()) {}

    bool ok() const { return m_ok; }
    // Marks the object undecodable, for checks the caller makes itself.
    void fail() { m_ok = false; }

    // A present, non-null value; a missing key fails the object when `required`.
    const Json* value(const char* key, bool required);

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

    const Json& m_object;
    bool m_ok;
};

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
