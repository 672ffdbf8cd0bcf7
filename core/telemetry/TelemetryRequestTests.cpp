#include <gtest/gtest.h>

#include "core/base/Iso8601.h"
#include "core/base/Json.h"
#include "core/telemetry/TelemetryRequest.h"

namespace brimly {
namespace {

// The event names are what the collector counts by.
TEST(TelemetryRequest, BodyCarriesExactlyTheCollectorsKeys) {
    Date at = *parseIso8601("2024-05-01T09:30:00.75Z");
    // clang-format off
    const std::tuple<TelemetryRequest, const char*, Json> cases[] = {
        {{TelemetryEvent::appLaunched, std::nullopt, std::nullopt}, "app_launched", Json::object()},
        {{TelemetryEvent::firstArtifactDetected, std::nullopt, std::nullopt}, "first_artifact_detected", Json::object()},
        {{TelemetryEvent::firstScreenshotDetected, ShelfItemKind::image, std::nullopt}, "first_screenshot_detected", {{"kind", "image"}}},
        {{TelemetryEvent::firstItemViewed, ShelfItemKind::pdf, std::nullopt}, "first_item_viewed", {{"kind", "pdf"}}},
        {{TelemetryEvent::itemsCaptured, std::nullopt, 12}, "items_captured", {{"count", 12}}},
    };
    // clang-format on
    for (const auto& [request, event, extra] : cases) {
        auto body = request.body("phc_key", "machine-1", "1.4.0", "12", at);
        ASSERT_TRUE(body);
        auto json = JsonIO::parse(*body);
        ASSERT_TRUE(json);
        Json properties = {
            {"$process_person_profile", false}, {"$geoip_disable", true}, {"$lib", "brimly"},
            {"app_version", "1.4.0"},           {"macos", "12"},
        };
        properties.update(extra);
        Json expected = {
            {"api_key", "phc_key"},       {"event", event},
            {"distinct_id", "machine-1"}, {"timestamp", "2024-05-01T09:30:00Z"},
            {"properties", properties},
        };
        EXPECT_EQ(*json, expected) << *body;
        EXPECT_TRUE((*json)["properties"]["count"].is_null() ||
                    (*json)["properties"]["count"].is_number_integer());
    }
}

TEST(TelemetryRequest, MalformedTextFailsTheBodyInsteadOfBeingAltered) {
    TelemetryRequest request{TelemetryEvent::appLaunched, std::nullopt, std::nullopt};
    EXPECT_FALSE(request.body("key\xFF", "id", "1.0", "Linux", 0));
    EXPECT_FALSE(request.body("key", "id\xC3", "1.0", "Linux", 0));
    EXPECT_FALSE(request.body("key", "id", "1.0\xED\xA0\x80", "Linux", 0));
    EXPECT_FALSE(request.body("key", "id", "1.0", "Linux\xC0\xAF", 0));
    EXPECT_TRUE(request.body("kéy", "id", "1.0 β", "Linux", 0));
}

TEST(TelemetryRequest, SystemVersionFromOsRelease) {
    // clang-format off
    // os-release text, kernel release, version reported
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"NAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n", "6.1.0", "12"},
        {"PRETTY_NAME=\"Ubuntu 22.04.4 LTS\"\nVERSION_ID=\"22.04\"\n",  "5.15.0",         "22.04"},
        {"NAME=Alpine\nVERSION_ID=3.19.1\n",                            "6.6",            "3.19"},
        {"VERSION_ID='40'\r\n",                                         "",               "40"},
        {"VERSION_ID=\"  9.3 \"\n",                                     "",               "9.3"},
        {"PRETTY_NAME=\"Arch Linux\"\nBUILD_ID=rolling\n",              "6.8.1-arch1-1",  "6.8"},
        {"VERSION_ID=\"rolling\"\n",                                    "6.6.30",         "6.6"},
        {"VERSION_ID=\"12\xFF\"\n",                                     "6.1.0-18-amd64", "6.1"},
        {"",                                                           "",               "unknown"},
        {"",                                                           "weird",          "unknown"},
    };
    // clang-format on
    for (const auto& [osRelease, kernel, expected] : cases) {
        EXPECT_EQ(TelemetryRequest::systemVersion(osRelease, kernel), expected) << osRelease;
    }
    EXPECT_EQ(TelemetryRequest::systemVersion("VERSION_ID=" + std::string(500, '7'), "").size(), 80u);
    EXPECT_FALSE(TelemetryRequest::currentSystemVersion().empty());
}

}  // namespace
}  // namespace brimly
