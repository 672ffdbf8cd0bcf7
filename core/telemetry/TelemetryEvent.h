#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace brimly {

// What can be reported. The raw values are what the collector receives and what the ledger stores.
enum class TelemetryEvent {
    appLaunched,
    firstArtifactDetected,
    firstScreenshotDetected,
    firstItemViewed,
    itemsCaptured,
};

namespace TelemetryEvents {

inline constexpr std::array<TelemetryEvent, 5> allCases = {
    TelemetryEvent::appLaunched, TelemetryEvent::firstArtifactDetected,
    TelemetryEvent::firstScreenshotDetected, TelemetryEvent::firstItemViewed, TelemetryEvent::itemsCaptured};

std::string_view rawValue(TelemetryEvent event);
std::optional<TelemetryEvent> fromRawValue(std::string_view raw);
// The one-time "first_" events, reported once per installation.
bool isMilestone(TelemetryEvent event);

}  // namespace TelemetryEvents
}  // namespace brimly
