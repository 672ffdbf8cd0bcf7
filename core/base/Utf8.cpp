#include "core/base/Utf8.h"

namespace brimly::Utf8 {

namespace {

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

unsigned char byteAt(std::string_view text, std::size_t offset) {
    return static_cast<unsigned char>(text[offset]);
}

// The code point starting at `offset`, or -1 when the bytes there are malformed.
long decodeAt(std::string_view text, std::size_t offset, std::size_t& length) {
    unsigned char lead = byteAt(text, offset);
    length = 1;
    if (lead < 0x80) return lead;
    std::size_t need = 0;
    long value = 0;
    long minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        return -1;
    }
    if (offset + need >= text.size()) return -1;
    for (std::size_t i = 1; i <= need; ++i) {
        unsigned char next = byteAt(text, offset + i);
        if (!isContinuation(next)) return -1;
        value = (value << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return -1;
    length = need + 1;
    return value;
}

long codePointAt(std::string_view text, std::size_t offset, std::size_t& length) {
    long value = decodeAt(text, offset, length);
    if (value < 0) length = 1;
    return value;
}

bool isSpace(long codePoint) {
    return codePoint == ' ' || codePoint == '\t' || codePoint == 0xA0 || codePoint == 0x1680 ||
           (codePoint >= 0x2000 && codePoint <= 0x200A) || codePoint == 0x202F || codePoint == 0x205F ||
           codePoint == 0x3000;
}

bool isLineBreak(long codePoint) {
    return (codePoint >= 0x0A && codePoint <= 0x0D) || codePoint == 0x85 || codePoint == 0x2028 ||
           codePoint == 0x2029;
}

}  // namespace

std::size_t characterLength(std::string_view text, std::size_t offset) {
    std::size_t length = 1;
    codePointAt(text, offset, length);
    return length;
}

std::size_t characterCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t offset = 0; offset < text.size(); offset += characterLength(text, offset)) ++count;
    return count;
}

bool isValid(std::string_view text) {
    for (std::size_t offset = 0; offset < text.size();) {
        std::size_t length = 1;
        if (decodeAt(text, offset, length) < 0) return false;
        offset += length;
    }
    return true;
}

std::string_view prefix(std::string_view text, std::size_t count) {
    std::size_t offset = 0;
    for (std::size_t taken = 0; taken < count && offset < text.size(); ++taken) {
        offset += characterLength(text, offset);
    }
    return text.substr(0, offset);
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    std::size_t offset = 0;
    while (offset < text.size()) {
        std::size_t length = 1;
        long codePoint = codePointAt(text, offset, length);
        if (!isLineBreak(codePoint)) {
            offset += length;
            continue;
        }
        lines.push_back(text.substr(start, offset - start));
        if (codePoint == '\r' && offset + 1 < text.size() && text[offset + 1] == '\n') ++length;
        offset += length;
        start = offset;
    }
    lines.push_back(text.substr(start));
    return lines;
}

namespace {

template <class Predicate>
std::string_view trimWhere(std::string_view text, Predicate isTrimmed) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t length = 1;
        if (!isTrimmed(codePointAt(text, begin, length))) break;
        begin += length;
    }
    std::size_t end = begin;
    // Scanning forward keeps the cut on character boundaries; `end` is just past the last non-space.
    for (std::size_t offset = begin; offset < text.size();) {
        std::size_t length = 1;
        long codePoint = codePointAt(text, offset, length);
        offset += length;
        if (!isTrimmed(codePoint)) end = offset;
    }
    return text.substr(begin, end - begin);
}

}  // namespace

std::string_view trimSpaces(std::string_view text) { return trimWhere(text, isSpace); }

std::string_view trimWhitespaceAndNewlines(std::string_view text) {
    return trimWhere(text, [](long codePoint) { return isSpace(codePoint) || isLineBreak(codePoint); });
}

}  // namespace brimly::Utf8
