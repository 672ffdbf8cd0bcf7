#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/base/Date.h"
#include "core/base/Json.h"
#include "core/store/ShelfItem.h"
#include "core/telemetry/TelemetryRequest.h"

namespace brimly {

// What telemetry has reached, what the collector has confirmed and how many items arrived since the last
// delivered daily summary; persisted as "telemetry.json". The app's telemetry controller owns one on the
// main thread and decides when to send.
struct TelemetryLedger {
    // Milestone raw value -> raw value of the kind of item that reached it, or "" when none.
    std::map<std::string, std::string> reached;
    // Raw values of milestones whose report was delivered.
    std::vector<std::string> sent;
    std::int64_t captured = 0;
    // The day (see `day`) of the last delivered daily summary.
    std::optional<std::string> summarisedOn;

    void arrived(const std::vector<ShelfItem>& items);
    // Records a milestone once; the first kind to reach it is kept.
    void reach(TelemetryEvent event, std::optional<ShelfItemKind> kind);
    void viewed(const ShelfItem& item);
    // Reached but undelivered milestones, in event order.
    std::vector<TelemetryRequest> unsent() const;
    void confirm(TelemetryEvent event);
    // The daily summary to send on `day`, if there is anything to report and it was not sent that day.
    std::optional<TelemetryRequest> summary(std::string_view day) const;
    // Items that arrived while the summary was under way stay counted for the next one.
    void confirmSummary(const TelemetryRequest& request, std::string_view day);

    // The UTC calendar day of `date`, "YYYY-MM-DD".
    static std::string day(Date date);

    // A missing, unreadable or undecodable file gives a new ledger.
    static TelemetryLedger load(const std::string& path);
    // The ledger stored in `bytes`, or a new one when they do not decode.
    static TelemetryLedger decode(std::string_view bytes);
    static std::optional<TelemetryLedger> fromJson(const Json& object);
    Json toJson() const;
    // Creates the parent folder when needed and replaces the file atomically.
    [[nodiscard]] std::error_code save(const std::string& path) const;

    bool operator==(const TelemetryLedger&) const = default;
};

}  // namespace brimly
