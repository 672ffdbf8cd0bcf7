#include "core/store/JsonFields.h"

#include <cmath>
#include <limits>

namespace brimly {

template <typename Value>
std::optional<Value> JsonFields<Value>::value(const char* key, bool required) {
    if (!m_ok) return std::nullopt;
    auto found = m_object.find(key);
    if (!found || found->isNull()) {
        if (required) m_ok = false;
        return std::nullopt;
    }
    return found;
}

template <typename Value>
std::optional<std::string> JsonFields<Value>::readString(const char* key, bool required) {
    auto found = value(key, required);
    if (!found) return std::nullopt;
    if (!found->isString()) {
        m_ok = false;
        return std::nullopt;
    }
    return std::string(found->string());
}

template <typename Value>
std::optional<Date> JsonFields<Value>::readDate(const char* key, bool required) {
    auto found = value(key, required);
    if (!found) return std::nullopt;
    if (!found->isNumber()) {
        m_ok = false;
        return std::nullopt;
    }
    double seconds = found->real();
    if (!std::isfinite(seconds)) {
        m_ok = false;
        return std::nullopt;
    }
    return seconds;
}

template <typename Value>
std::optional<Url> JsonFields<Value>::readUrl(const char* key, bool required) {
    auto text = readString(key, required);
    if (!text) return std::nullopt;
    auto parsed = Url::parse(*text);
    if (!parsed) m_ok = false;
    return parsed;
}

template <typename Value>
std::string JsonFields<Value>::string(const char* key) {
    return readString(key, true).value_or("");
}
template <typename Value>
std::optional<std::string> JsonFields<Value>::optionalString(const char* key) {
    return readString(key, false);
}
template <typename Value>
Date JsonFields<Value>::date(const char* key) {
    return readDate(key, true).value_or(0);
}
template <typename Value>
std::optional<Date> JsonFields<Value>::optionalDate(const char* key) {
    return readDate(key, false);
}
template <typename Value>
std::optional<Url> JsonFields<Value>::url(const char* key) {
    return readUrl(key, true);
}
template <typename Value>
std::optional<Url> JsonFields<Value>::optionalUrl(const char* key) {
    return readUrl(key, false);
}

template <typename Value>
std::optional<int> JsonFields<Value>::optionalInt(const char* key) {
    auto found = value(key, false);
    if (!found) return std::nullopt;
    std::optional<long> whole;
    if (found->isInteger()) {
        if (found->isUnsigned()) {
            std::uint64_t raw = found->unsignedInteger();
            if (raw <= static_cast<std::uint64_t>(std::numeric_limits<int>::max())) {
                whole = static_cast<long>(raw);
            }
        } else {
            whole = found->signedInteger();
        }
    } else if (found->isReal()) {
        double real = found->real();
        if (std::isfinite(real) && real == std::floor(real) && std::fabs(real) < 1.0e10) {
            whole = static_cast<long>(real);
        }
    }
    if (!whole || *whole < std::numeric_limits<int>::min() || *whole > std::numeric_limits<int>::max()) {
        m_ok = false;
        return std::nullopt;
    }
    return static_cast<int>(*whole);
}

template class JsonFields<JsonRef>;
template class JsonFields<JsonTree::Value>;

}  // namespace brimly
