#include "core/telemetry/TelemetryEvent.h"

namespace brimly::TelemetryEvents {

std::string_view rawValue(TelemetryEvent event) {
    switch (event) {
        case TelemetryEvent::appLaunched:
            return "app_launched";
        case TelemetryEvent::firstArtifactDetected:
            return "first_artifact_detected";
        case TelemetryEvent::firstScreenshotDetected:
            return "first_screenshot_detected";
        case TelemetryEvent::firstItemViewed:
            return "first_item_viewed";
        case TelemetryEvent::itemsCaptured:
            return "items_captured";
    }
    return "";
}

std::optional<TelemetryEvent> fromRawValue(std::string_view raw) {
    for (TelemetryEvent event : allCases) {
        if (rawValue(event) == raw) return event;
    }
    return std::nullopt;
}

bool isMilestone(TelemetryEvent event) {
    switch (event) {
        case TelemetryEvent::firstArtifactDetected:
        case TelemetryEvent::firstScreenshotDetected:
        case TelemetryEvent::firstItemViewed:
            return true;
        case TelemetryEvent::appLaunched:
        case TelemetryEvent::itemsCaptured:
            return false;
    }
    return false;
}

}  // namespace brimly::TelemetryEvents
