#include <gtest/gtest.h>

#include "core/base/AtomicFile.h"
#include "core/base/AtomicFileFaults.h"
#include "core/base/Iso8601.h"
#include "core/telemetry/TelemetryLedger.h"
#include "core/testsupport/TempDir.h"

namespace brimly {
namespace {

ShelfItem item(ShelfItemKind kind, std::set<Source> sources,
               std::optional<std::string> captureID = std::nullopt) {
    return ShelfItem{
        .id = "id", .kind = kind, .sourceKinds = std::move(sources), .captureID = std::move(captureID)};
}

using Reached = std::map<std::string, std::string>;

TEST(TelemetryLedger, ArrivalsCountAndReachMilestonesBySource) {
    // clang-format off
    const std::tuple<const char*, ShelfItem, Reached> cases[] = {
        {"transcript image with a capture id", item(ShelfItemKind::image, {Source::transcript}, "cap-1"), {{"first_screenshot_detected", "image"}}},
        {"browser screenshot", item(ShelfItemKind::image, {Source::chrome}), {{"first_screenshot_detected", "image"}}},
        {"scratchpad file", item(ShelfItemKind::html, {Source::scratchpad}), {{"first_artifact_detected", "html"}}},
        {"transcript file without capture", item(ShelfItemKind::pdf, {Source::transcript}), {{"first_artifact_detected", "pdf"}}},
        {"watched folder only", item(ShelfItemKind::image, {Source::folder}), {}},
        {"watched folder and scratchpad", item(ShelfItemKind::video, {Source::folder, Source::scratchpad}), {{"first_artifact_detected", "video"}}},
        {"no source at all", item(ShelfItemKind::image, {}), {}},
    };
    // clang-format on
    for (const auto& [name, arriving, reached] : cases) {
        TelemetryLedger ledger;
        ledger.arrived({arriving});
        EXPECT_EQ(ledger.reached, reached) << name;
        EXPECT_EQ(ledger.captured, 1) << name;
    }

    TelemetryLedger ledger;
    ledger.arrived({item(ShelfItemKind::image, {Source::folder}),
                    item(ShelfItemKind::pdf, {Source::scratchpad}),
                    item(ShelfItemKind::html, {Source::scratchpad})});
    EXPECT_EQ(ledger.captured, 3);
    EXPECT_EQ(ledger.reached, (Reached{{"first_artifact_detected", "pdf"}}));
    ledger.arrived({});
    EXPECT_EQ(ledger.captured, 3);
}

TEST(TelemetryLedger, ReachKeepsTheFirstKindAndIgnoresOrdinaryEvents) {
    TelemetryLedger ledger;
    ledger.viewed(item(ShelfItemKind::pdf, {Source::transcript}));
    ledger.viewed(item(ShelfItemKind::image, {Source::transcript}));
    ledger.reach(TelemetryEvent::firstArtifactDetected, std::nullopt);
    ledger.reach(TelemetryEvent::firstArtifactDetected, ShelfItemKind::audio);
    ledger.reach(TelemetryEvent::appLaunched, ShelfItemKind::image);
    ledger.reach(TelemetryEvent::itemsCaptured, std::nullopt);
    EXPECT_EQ(ledger.reached, (Reached{{"first_item_viewed", "pdf"}, {"first_artifact_detected", ""}}));
}

TEST(TelemetryLedger, UnsentUntilConfirmed) {
    TelemetryLedger ledger;
    EXPECT_TRUE(ledger.unsent().empty());
    ledger.reach(TelemetryEvent::firstItemViewed, ShelfItemKind::image);
    ledger.reach(TelemetryEvent::firstArtifactDetected, std::nullopt);
    ledger.reached["first_screenshot_detected"] = "hologram";  // a kind this version does not know
    ledger.reached["from_a_later_version"] = "image";
    std::vector<TelemetryRequest> expected = {
        {TelemetryEvent::firstArtifactDetected, std::nullopt, std::nullopt},
        {TelemetryEvent::firstScreenshotDetected, std::nullopt, std::nullopt},
        {TelemetryEvent::firstItemViewed, ShelfItemKind::image, std::nullopt},
    };
    EXPECT_EQ(ledger.unsent(), expected);
    ledger.confirm(TelemetryEvent::firstScreenshotDetected);
    ledger.confirm(TelemetryEvent::firstScreenshotDetected);
    EXPECT_EQ(ledger.sent, (std::vector<std::string>{"first_screenshot_detected"}));
    expected.erase(expected.begin() + 1);
    EXPECT_EQ(ledger.unsent(), expected);
    ledger.confirm(TelemetryEvent::firstArtifactDetected);
    ledger.confirm(TelemetryEvent::firstItemViewed);
    EXPECT_TRUE(ledger.unsent().empty());
    // Once delivered, reaching the milestone again sends nothing.
    ledger.viewed(item(ShelfItemKind::pdf, {Source::transcript}));
    EXPECT_TRUE(ledger.unsent().empty());
}

TEST(TelemetryLedger, DailySummaryWithArrivalsInFlight) {
    TelemetryLedger ledger;
    EXPECT_EQ(ledger.summary("2025-01-01"), std::nullopt);
    ledger.arrived(std::vector<ShelfItem>(5, item(ShelfItemKind::image, {Source::folder})));
    auto request = ledger.summary("2025-01-01");
    ASSERT_TRUE(request);
    EXPECT_EQ(*request, (TelemetryRequest{TelemetryEvent::itemsCaptured, std::nullopt, 5}));
    ledger.arrived(std::vector<ShelfItem>(2, item(ShelfItemKind::image, {Source::folder})));
    ledger.confirmSummary(*request, "2025-01-01");
    EXPECT_EQ(ledger.captured, 2);
    EXPECT_EQ(ledger.summarisedOn, "2025-01-01");
    EXPECT_EQ(ledger.summary("2025-01-01"), std::nullopt);
    EXPECT_EQ(ledger.summary("2025-01-02"),
              (TelemetryRequest{TelemetryEvent::itemsCaptured, std::nullopt, 2}));

    // A confirmation never drives the count below zero.
    ledger.confirmSummary({TelemetryEvent::itemsCaptured, std::nullopt, 10}, "2025-01-02");
    EXPECT_EQ(ledger.captured, 0);
    ledger.confirmSummary({TelemetryEvent::itemsCaptured, std::nullopt, std::nullopt}, "2025-01-03");
    EXPECT_EQ(ledger.captured, 0);
    EXPECT_EQ(ledger.summarisedOn, "2025-01-03");
}

TEST(TelemetryLedger, CountsSaturateInsteadOfOverflowing) {
    TelemetryLedger ledger =
        TelemetryLedger::decode(R"({"reached":{},"sent":[],"captured":9223372036854775807})");
    EXPECT_EQ(ledger.captured, std::numeric_limits<std::int64_t>::max());
    ledger.arrived({item(ShelfItemKind::image, {Source::folder})});
    EXPECT_EQ(ledger.captured, std::numeric_limits<std::int64_t>::max());
}

TEST(TelemetryLedger, DayIsTheUtcCalendarDay) {
    const std::pair<const char*, const char*> cases[] = {
        {"2024-12-31T23:30:00-05:00", "2025-01-01"}, {"2025-01-01T00:30:00+02:00", "2024-12-31"},
        {"2024-02-29T12:00:00Z", "2024-02-29"},      {"2001-01-01T00:00:00Z", "2001-01-01"},
        {"1999-12-31T23:59:59Z", "1999-12-31"},
    };
    for (const auto& [instant, day] : cases) {
        EXPECT_EQ(TelemetryLedger::day(parseIso8601(instant).value()), day) << instant;
    }
}

TEST(TelemetryLedger, DecodesLeniently) {
    // clang-format off
    // name, file text, read as a new ledger
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"complete", R"({"reached":{"first_item_viewed":"pdf"},"sent":["x"],"captured":4,"summarisedOn":"2025-01-01"})", false},
        {"without summarisedOn", R"({"reached":{"first_item_viewed":"pdf"},"sent":[],"captured":4})", false},
        {"without captured", R"({"reached":{"first_item_viewed":"pdf"},"sent":[]})", true},
        {"without sent", R"({"reached":{"first_item_viewed":"pdf"},"captured":4})", true},
        {"without reached", R"({"sent":[],"captured":4})", true},
        {"captured as text", R"({"reached":{"first_item_viewed":"pdf"},"sent":[],"captured":"4"})", true},
        {"captured fractional", R"({"reached":{"first_item_viewed":"pdf"},"sent":[],"captured":4.5})", true},
        {"not an object", R"([1,2])", true},
        {"not JSON", "{\"reached\":", true},
        {"empty", "", true},
    };
    // clang-format on
    for (const auto& [name, json, isNew] : cases)
        EXPECT_EQ(TelemetryLedger::decode(json) == TelemetryLedger{}, isNew) << name;
    TelemetryLedger damaged = TelemetryLedger::decode(
        R"({"reached":{"first_item_viewed":3,"first_artifact_detected":"html"},"sent":[1,"first_artifact_detected"],"captured":-7,"summarisedOn":5})");
    EXPECT_EQ(damaged.reached, (Reached{{"first_artifact_detected", "html"}}));
    EXPECT_EQ(damaged.sent, (std::vector<std::string>{"first_artifact_detected"}));
    EXPECT_EQ(damaged.captured, 0);
    EXPECT_EQ(damaged.summarisedOn, std::nullopt);
}

TEST(TelemetryLedger, SavesAndLoadsFiles) {
    testing::TempDir dir;
    std::string path = dir / "support/nested/telemetry.json";
    EXPECT_EQ(TelemetryLedger::load(path), TelemetryLedger{});

    TelemetryLedger ledger;
    ledger.arrived({item(ShelfItemKind::image, {Source::transcript}, "cap")});
    ledger.confirm(TelemetryEvent::firstScreenshotDetected);
    ledger.confirmSummary({TelemetryEvent::itemsCaptured, std::nullopt, 0}, "2025-03-04");
    ASSERT_FALSE(ledger.save(path));
    EXPECT_EQ(TelemetryLedger::load(path), ledger);
    EXPECT_EQ(AtomicFile::read(path),
              std::string(R"({"captured":1,"reached":{"first_screenshot_detected":"image"},)"
                          R"("sent":["first_screenshot_detected"],"summarisedOn":"2025-03-04"})"));

    // A folder where the file should be cannot be read: a new ledger, no crash.
    dir.makeDir("folder.json");
    EXPECT_EQ(TelemetryLedger::load(dir / "folder.json"), TelemetryLedger{});
    dir.write("garbage.json", "\x89PNG\r\n");
    EXPECT_EQ(TelemetryLedger::load(dir / "garbage.json"), TelemetryLedger{});
}

TEST(TelemetryLedger, AFailedSaveKeepsThePreviousFile) {
    testing::TempDir dir;
    std::string path = dir / "telemetry.json";
    const TelemetryLedger first{.captured = 3};
    ASSERT_FALSE(first.save(path));
    AtomicFile::setFaultForTesting([](AtomicFile::Stage stage, const std::string&) {
        return stage == AtomicFile::Stage::write ? std::make_error_code(std::errc::no_space_on_device)
                                                 : std::error_code();
    });
    std::error_code error = TelemetryLedger{.captured = 9}.save(path);
    AtomicFile::setFaultForTesting(nullptr);
    EXPECT_EQ(error, std::make_error_code(std::errc::no_space_on_device));
    EXPECT_EQ(TelemetryLedger::load(path), first);
}

}  // namespace
}  // namespace brimly
