#include "core/telemetry/TelemetryLedger.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "core/base/AtomicFile.h"
#include "core/base/TimeZone.h"
#include "core/platform/FileSystem.h"

namespace brimly {

namespace {

constexpr std::int64_t largest = std::numeric_limits<std::int64_t>::max();

// Counts saturate: a count read from a damaged file must not overflow when more items arrive.
std::int64_t saturatingAdd(std::int64_t value, std::int64_t more) {
    if (more > 0 && value > largest - more) return largest;
    return value + more;
}

}  // namespace

void TelemetryLedger::arrived(const std::vector<ShelfItem>& items) {
    captured =
        saturatingAdd(captured, static_cast<std::int64_t>(std::min<std::size_t>(items.size(), largest)));
    for (const ShelfItem& item : items) {
        if (item.captureID || item.sourceKinds.count(Source::chrome) > 0) {
            reach(TelemetryEvent::firstScreenshotDetected, item.kind);
            continue;
        }
        bool onlyWatchedFolder = std::all_of(item.sourceKinds.begin(), item.sourceKinds.end(),
                                             [](Source source) { return source == Source::folder; });
        if (!onlyWatchedFolder) reach(TelemetryEvent::firstArtifactDetected, item.kind);
    }
}

void TelemetryLedger::reach(TelemetryEvent event, std::optional<ShelfItemKind> kind) {
    if (!TelemetryEvents::isMilestone(event)) return;
    reached.try_emplace(std::string(TelemetryEvents::rawValue(event)),
                        kind ? std::string(ShelfItemKinds::rawValue(*kind)) : std::string());
}

void TelemetryLedger::viewed(const ShelfItem& item) { reach(TelemetryEvent::firstItemViewed, item.kind); }

std::vector<TelemetryRequest> TelemetryLedger::unsent() const {
    std::vector<TelemetryRequest> requests;
    for (TelemetryEvent event : TelemetryEvents::allCases) {
        if (!TelemetryEvents::isMilestone(event)) continue;
        std::string raw(TelemetryEvents::rawValue(event));
        auto found = reached.find(raw);
        if (found == reached.end() || std::find(sent.begin(), sent.end(), raw) != sent.end()) continue;
        requests.push_back({event, ShelfItemKinds::fromRawValue(found->second), std::nullopt});
    }
    return requests;
}

void TelemetryLedger::confirm(TelemetryEvent event) {
    std::string raw(TelemetryEvents::rawValue(event));
    if (std::find(sent.begin(), sent.end(), raw) == sent.end()) sent.push_back(std::move(raw));
}

std::optional<TelemetryRequest> TelemetryLedger::summary(std::string_view day) const {
    if (captured <= 0 || summarisedOn == day) return std::nullopt;
    return TelemetryRequest{TelemetryEvent::itemsCaptured, std::nullopt, captured};
}

void TelemetryLedger::confirmSummary(const TelemetryRequest& request, std::string_view day) {
    std::int64_t delivered = std::max<std::int64_t>(request.count.value_or(0), 0);
    captured = std::max<std::int64_t>(captured - std::min(delivered, captured), 0);
    summarisedOn = std::string(day);
}

std::string TelemetryLedger::day(Date date) {
    CivilTime civil = TimeZone::utc().civil(date);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", civil.year, civil.month, civil.day);
    return buffer;
}

TelemetryLedger TelemetryLedger::load(const std::string& path) {
    auto bytes = AtomicFile::read(path);
    return bytes ? decode(*bytes) : TelemetryLedger{};
}

TelemetryLedger TelemetryLedger::decode(std::string_view bytes) {
    auto json = JsonIO::parse(bytes);
    if (!json) return {};
    return fromJson(*json).value_or(TelemetryLedger{});
}

std::optional<TelemetryLedger> TelemetryLedger::fromJson(const Json& object) {
    const Json* reached = JsonIO::object(object, "reached");
    const Json* sent = JsonIO::array(object, "sent");
    auto captured = JsonIO::integer(object, "captured");
    if (reached == nullptr || sent == nullptr || !captured) return std::nullopt;
    TelemetryLedger ledger;
    // One damaged entry is dropped rather than forgetting every milestone: at worst a milestone is
    // reported again.
    for (const auto& [event, kind] : reached->items()) {
        if (kind.is_string()) ledger.reached.emplace(event, kind.get<std::string>());
    }
    for (const Json& event : *sent) {
        if (!event.is_string()) continue;
        std::string raw = event.get<std::string>();
        if (std::find(ledger.sent.begin(), ledger.sent.end(), raw) == ledger.sent.end())
            ledger.sent.push_back(std::move(raw));
    }
    // A negative count can only come from a damaged file; it would hold back the next summaries.
    ledger.captured = std::max<long>(*captured, 0);
    ledger.summarisedOn = JsonIO::string(object, "summarisedOn");
    return ledger;
}

Json TelemetryLedger::toJson() const {
    Json object = {
        {"reached", reached},
        {"sent", sent},
        {"captured", captured},
    };
    if (summarisedOn) object["summarisedOn"] = *summarisedOn;
    return object;
}

std::error_code TelemetryLedger::save(const std::string& path) const {
    std::string folder = FileSystem::parentPath(path);
    if (!folder.empty() && !FileSystem::createDirectories(folder)) {
        return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    return AtomicFile::write(path, JsonIO::dump(toJson()));
}

}  // namespace brimly
