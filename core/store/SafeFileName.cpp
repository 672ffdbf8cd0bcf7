#include "core/store/SafeFileName.h"

namespace brimly::SafeFileName {

namespace {

bool isAsciiAlphanumeric(char character) {
    return (character >= 'a' && character <= 'z') || (character >= 'A' && character <= 'Z') ||
           (character >= '0' && character <= '9');
}

}  // namespace

bool isSafeName(std::string_view name) {
    if (name.empty() || name.size() > maxNameLength || name.front() == '.') return false;
    if (name.find("..") != std::string_view::npos) return false;
    for (char character : name) {
        if (isAsciiAlphanumeric(character)) continue;
        switch (character) {
            case '-':
            case '_':
            case '.':
            case '~':
            case ':':
            case '+':
            case '=':
            case '@':
            case '%':
                continue;
            default:
                return false;
        }
    }
    return true;
}

bool isSafeID(std::string_view id) { return id.size() <= maxIDLength && isSafeName(id); }

bool isSafeExtension(std::string_view ext) {
    if (ext.empty() || ext.size() > maxExtensionLength) return false;
    for (char character : ext) {
        if (!isAsciiAlphanumeric(character)) return false;
    }
    return true;
}

}  // namespace brimly::SafeFileName
