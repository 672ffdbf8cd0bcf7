#include "core/base/Env.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "core/base/Ascii.h"

extern char** environ;

namespace brimly::Env {

Environment process() {
    Environment env;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const char* equals = std::strchr(*entry, '=');
        if (equals == nullptr) continue;
        env.emplace(std::string(*entry, static_cast<size_t>(equals - *entry)), std::string(equals + 1));
    }
    return env;
}

std::string trimmed(const std::string& value) {
    auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    size_t begin = 0;
    size_t end = value.size();
    while (begin < end && isBlank(value[begin])) ++begin;
    while (end > begin && isBlank(value[end - 1])) --end;
    return value.substr(begin, end - begin);
}

std::optional<std::string> string(const std::string& key, const Environment& env) {
    auto found = env.find(key);
    if (found == env.end()) return std::nullopt;
    std::string value = trimmed(found->second);
    if (value.empty()) return std::nullopt;
    return value;
}

long intValue(const std::string& key, long fallback, long low, long high, const Environment& env) {
    auto text = string(key, env);
    if (!text) return fallback;
    std::string_view digits = *text;
    bool negative = false;
    if (digits.front() == '+' || digits.front() == '-') {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return fallback;
    }
    // Parsed with the sign attached so that the most negative value does not overflow.
    std::string signedText = (negative ? "-" : "") + std::string(digits);
    long value = 0;
    auto [end, error] = std::from_chars(signedText.data(), signedText.data() + signedText.size(), value);
    if (error != std::errc() || end != signedText.data() + signedText.size()) return fallback;
    return value >= low && value <= high ? value : fallback;
}

double doubleValue(const std::string& key, double fallback, double low, double high, const Environment& env) {
    auto text = string(key, env);
    if (!text) return fallback;
    std::string_view number = *text;
    // from_chars takes no leading plus sign; one is allowed, as in the integer reader.
    if (number.front() == '+') number.remove_prefix(1);
    if (number.empty() || number.front() == '+') return fallback;
    double value = 0;
    auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size()) return fallback;
    if (!std::isfinite(value)) return fallback;
    return value >= low && value <= high ? value : fallback;
}

bool boolValue(const std::string& key, const Environment& env) {
    auto text = string(key, env);
    if (!text) return false;
    std::string lower = Ascii::lowercased(*text);
    return lower == "1" || lower == "true" || lower == "yes";
}

}  // namespace brimly::Env
