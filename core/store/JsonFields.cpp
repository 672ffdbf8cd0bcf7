#include "core/store/JsonFields.h"

#include <cmath>
#include <limits>

namespace brimly {

const Json* JsonFields::value(const char* key, bool required) {
    if (!m_ok) return nullptr;
    auto found = m_object.find(key);
    if (found == m_object.end() || found->is_null()) {
        if (required) m_ok = false;
        return nullptr;
    }
    return &*found;
}

std::optional<std::string> JsonFields::readString(const char* key, bool required) {
    const Json* found = value(key, required);
    if (found == nullptr) return std::nullopt;
    if (!found->is_string()) {
        m_ok = false;
        return std::nullopt;
    }
    return found->get<std::string>();
}

std::optional<Date> JsonFields::readDate(const char* key, bool required) {
    const Json* found = value(key, required);
    if (found == nullptr) return std::nullopt;
    if (!found->is_number()) {
        m_ok = false;
        return std::nullopt;
    }
    double seconds = found->get<double>();
    if (!std::isfinite(seconds)) {
        m_ok = false;
        return std::nullopt;
    }
    return seconds;
}

std::optional<Url> JsonFields::readUrl(const char* key, bool required) {
    auto text = readString(key, required);
    if (!text) return std::nullopt;
    auto parsed = Url::parse(*text);
    if (!parsed) m_ok = false;
    return parsed;
}

std::string JsonFields::string(const char* key) { return readString(key, true).value_or(""); }
std::optional<std::string> JsonFields::optionalString(const char* key) { return readString(key, false); }
Date JsonFields::date(const char* key) { return readDate(key, true).value_or(0); }
std::optional<Date> JsonFields::optionalDate(const char* key) { return readDate(key, false); }
std::optional<Url> JsonFields::url(const char* key) { return readUrl(key, true); }
std::optional<Url> JsonFields::optionalUrl(const char* key) { return readUrl(key, false); }

std::optional<int> JsonFields::optionalInt(const char* key) {
    const Json* found = value(key, false);
    if (found == nullptr) return std::nullopt;
    std::optional<long> whole;
    if (found->is_number_integer()) {
        if (found->is_number_unsigned()) {
            auto raw = found->get<unsigned long long>();
            if (raw <= static_cast<unsigned long long>(std::numeric_limits<int>::max())) {
                whole = static_cast<long>(raw);
            }
        } else {
            whole = found->get<long>();
        }
    } else if (found->is_number_float()) {
        double real = found->get<double>();
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

}  // namespace brimly
