#pragma once

#include <string>
#include <string_view>

namespace brimly {

// Case and class tests over ASCII only, whatever locale the process runs in: extensions, schemes and
// environment values are ASCII words, and the C library's versions follow the locale (a Turkish one keeps
// "I" upper-case or turns it into a byte of its own).
namespace Ascii {

constexpr char toLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr bool isAlphanumeric(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

inline std::string lowercased(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = toLower(c);
    return result;
}

}  // namespace Ascii
}  // namespace brimly
