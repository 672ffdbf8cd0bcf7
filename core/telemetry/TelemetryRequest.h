#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/Date.h"
#include "core/store/ShelfItemKind.h"
#include "core/telemetry/TelemetryEvent.h"

namespace brimly {

// One report to the analytics collector: an event, the kind of item that reached it and, for the daily
// summary, how many items arrived. Nothing else about the user's items ever goes into a request.
struct TelemetryRequest {
    TelemetryEvent event = TelemetryEvent::appLaunched;
    std::optional<ShelfItemKind> kind;
    std::optional<std::int64_t> count;

    // The JSON body sent to the collector; nothing when a text is not valid UTF-8, since a replaced
    // character would silently change the project key or the identifier. `systemVersion` is the operating
    // system's version as the caller found it (it goes out under "macos", the key the collector expects).
    std::optional<std::string> body(std::string_view token, std::string_view distinctID,
                                    std::string_view appVersion, std::string_view systemVersion,
                                    Date at) const;

    // The system version to report, from the text of os-release and the kernel release (uname -r): the
    // major and minor numbers of the distribution's VERSION_ID ("12", "22.04"), else of the kernel release,
    // else "unknown". Names and code names say more about the machine than counting versions needs.
    static std::string systemVersion(std::string_view osRelease, std::string_view kernelRelease);
    // The same for the running machine, from /etc/os-release (or /usr/lib/os-release) and uname.
    static std::string currentSystemVersion();

    bool operator==(const TelemetryRequest&) const = default;
};

}  // namespace brimly
