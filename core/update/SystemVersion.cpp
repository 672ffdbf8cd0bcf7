#include "core/update/SystemVersion.h"

#include <array>
#include <charconv>

namespace brimly {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A run of ASCII digits as a number; a run too large for 64 bits gives nothing rather than a wrapped value.
std::optional<std::int64_t> number(std::string_view digits) {
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

}  // namespace

std::optional<OperatingSystemVersion> OperatingSystemVersion::fromReleaseText(std::string_view text) {
    std::array<std::int64_t, 3> pieces{};
    std::size_t at = 0;
    for (std::size_t index = 0; index < pieces.size(); ++index) {
        std::size_t start = at;
        while (at < text.size() && isDigit(text[at])) ++at;
        if (at == start) {
            if (index == 0) return std::nullopt;
            break;
        }
        auto value = number(text.substr(start, at - start));
        if (!value) return std::nullopt;
        pieces[index] = *value;
        if (at + 1 >= text.size() || text[at] != '.' || !isDigit(text[at + 1])) break;
        ++at;
    }
    return OperatingSystemVersion{pieces[0], pieces[1], pieces[2]};
}

namespace SystemVersion {

std::optional<std::vector<std::int64_t>> parse(std::string_view text) {
    std::vector<std::int64_t> pieces;
    std::size_t start = 0;
    while (true) {
        std::size_t dot = text.find('.', start);
        std::string_view piece = text.substr(start, dot == std::string_view::npos ? dot : dot - start);
        if (piece.empty() || pieces.size() == 3) return std::nullopt;
        for (char c : piece) {
            if (!isDigit(c)) return std::nullopt;
        }
        auto value = number(piece);
        if (!value) return std::nullopt;
        pieces.push_back(*value);
        if (dot == std::string_view::npos) return pieces;
        start = dot + 1;
    }
}

bool isMet(const std::vector<std::int64_t>& minimum, const OperatingSystemVersion& running) {
    const std::array<std::int64_t, 3> have = {running.majorVersion, running.minorVersion,
                                              running.patchVersion};
    for (std::size_t index = 0; index < minimum.size() && index < have.size(); ++index) {
        if (have[index] != minimum[index]) return have[index] > minimum[index];
    }
    // Equal over the shorter list: a minimum with more than three pieces would be the longer, unmet one.
    return minimum.size() <= have.size();
}

}  // namespace SystemVersion
}  // namespace brimly
