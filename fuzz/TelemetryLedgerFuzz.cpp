#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/telemetry/TelemetryLedger.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    brimly::TelemetryLedger ledger = brimly::TelemetryLedger::decode(bytes);
    ledger.unsent();
    ledger.arrived({brimly::ShelfItem{}});
    if (auto summary = ledger.summary("2025-01-01")) ledger.confirmSummary(*summary, "2025-01-01");
    // What was decoded must survive its own encoding.
    if (brimly::TelemetryLedger::decode(brimly::JsonIO::dump(ledger.toJson())) != ledger) __builtin_trap();
    return 0;
}
