#include <gtest/gtest.h>

#include "core/update/ReleaseIdentity.h"
#include "core/update/UpdateReminder.h"
#include "core/update/UpdateSchedule.h"

namespace brimly {
namespace {

TEST(UpdateReminder, OnlyAnAvailableOfferLeavesAReminder) {
    UpdateFeed feed{.version = "2.0", .build = 200, .url = *Url::parse("https://example.com/a.zip")};
    EXPECT_EQ(UpdateReminder::after(UpdateFeed::Offer::available, feed), (UpdateReminder{"2.0", 200}));
    EXPECT_EQ(UpdateReminder::after(UpdateFeed::Offer::skipped, feed), std::nullopt);
}

TEST(UpdateReminder, Restore) {
    using Build = std::optional<std::int64_t>;
    // name, stored version and build, running build, skipped build, restored
    const std::tuple<const char*, std::optional<std::string>, Build, std::int64_t, Build, bool> cases[] = {
        {"waiting", "2.0", 200, 100, std::nullopt, true},
        {"skipped an older build", "2.0", 200, 100, 199, true},
        {"skipped this build", "2.0", 200, 100, 200, false},
        {"skipped a later build", "2.0", 200, 100, 250, false},
        {"already installed", "2.0", 200, 200, std::nullopt, false},
        {"running a later build", "2.0", 200, 210, std::nullopt, false},
        {"no version", std::nullopt, 200, 100, std::nullopt, false},
        {"empty version", "", 200, 100, std::nullopt, false},
        {"no build", "2.0", std::nullopt, 100, std::nullopt, false},
    };
    for (const auto& [name, version, build, current, skipped, restored] : cases) {
        auto expected = restored ? std::optional(UpdateReminder{*version, *build}) : std::nullopt;
        EXPECT_EQ(UpdateReminder::restore(version, build, current, skipped), expected) << name;
    }
}

TEST(UpdateSchedule, IsDue) {
    const Date now = 800000000;
    // name, last check, enabled, a feed configured, due
    const std::tuple<const char*, std::optional<Date>, bool, bool, bool> cases[] = {
        {"never checked", std::nullopt, true, true, true},
        {"never checked, disabled", std::nullopt, false, true, false},
        {"a day ago", now - 86400, true, true, true},
        {"a day ago, disabled", now - 86400, false, true, false},
        {"a day ago, not configured", now - 86400, true, false, false},
        {"almost a day ago", now - 86399, true, true, false},
        {"just now", now, true, true, false},
        {"in the future after the clock went back", now + 3600, true, true, true},
        {"future and disabled", now + 3600, false, true, false},
    };
    for (const auto& [name, lastCheck, enabled, configured, due] : cases) {
        EXPECT_EQ(UpdateSchedule::isDue(lastCheck, now, enabled, configured), due) << name;
    }
}

TEST(ReleaseIdentity, VerdictOrder) {
    using Verdict = ReleaseIdentity::Verdict;
    const BundleIdentity team{"TEAM1", true};
    const BundleIdentity unsignedRunning{std::nullopt, true};
    // clang-format off
    const std::tuple<const char*, BundleIdentity, BundleIdentity, Verdict> cases[] = {
        {"same team", team, {"TEAM1", true}, Verdict::accept},
        {"other team", team, {"TEAM2", true}, Verdict::differentTeam},
        {"candidate without team", team, {std::nullopt, true}, Verdict::differentTeam},
        {"invalid signature beats a matching team", team, {"TEAM1", false}, Verdict::notSigned},
        {"invalid signature with a team-less running app", unsignedRunning, {"TEAM1", false}, Verdict::notSigned},
        {"running app without team", unsignedRunning, {"ANY", true}, Verdict::accept},
        {"neither has a team", unsignedRunning, {std::nullopt, true}, Verdict::accept},
        {"team ids compare exactly", team, {"team1", true}, Verdict::differentTeam},
    };
    // clang-format on
    for (const auto& [name, running, candidate, expected] : cases)
        EXPECT_EQ(ReleaseIdentity::verdict(running, candidate), expected) << name;
}

}  // namespace
}  // namespace brimly
