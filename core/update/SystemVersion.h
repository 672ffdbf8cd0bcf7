#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace brimly {

// The running operating system's version as three numbers. The field names avoid `major` and `minor`,
// which the C library defines as macros.
struct OperatingSystemVersion {
    std::int64_t majorVersion = 0;
    std::int64_t minorVersion = 0;
    std::int64_t patchVersion = 0;

    // The leading dotted numbers of a release text such as a kernel release ("6.1.0-18-amd64") or an
    // os-release VERSION_ID ("22.04"); missing pieces are 0. Text that does not start with a digit gives
    // nothing.
    static std::optional<OperatingSystemVersion> fromReleaseText(std::string_view text);

    bool operator==(const OperatingSystemVersion&) const = default;
};

// A minimum system version as a release feed names it: one to three dot-separated runs of ASCII digits.
namespace SystemVersion {

std::optional<std::vector<std::int64_t>> parse(std::string_view text);

// Whether `running` is at least `minimum`, comparing only the pieces `minimum` has: "14" is met by 14.0.0
// and by 14.2.1, "14.3" is not met by 14.2.9.
bool isMet(const std::vector<std::int64_t>& minimum, const OperatingSystemVersion& running);

}  // namespace SystemVersion
}  // namespace brimly
