#include <gtest/gtest.h>

#include "core/update/ReleaseIdentity.h"
#include "core/update/UpdateReminder.h"
#include "core/update/UpdateSchedule.h"

namespace brimly {
namespace {

TEST(UpdateReminder, OnlyAnAvailableOfferLeavesAReminder) {
    UpdateFeed feed{.version = "2.0", .build = 200, .url = *Url::parse("https://example.com/a.zip")};
    EXPECT_EQ(UpdateReminder::after(UpdateFeed::Offer::available, feed), (UpdateReminder{"2.0", 200}));
    for (auto offer :
         {UpdateFeed::Offer::upToDate, UpdateFeed::Offer::skipped, UpdateFeed::Offer::needsNewerSystem}) {
        EXPECT_EQ(UpdateReminder::after(offer, feed), std::nullopt);
    }
}

TEST(UpdateReminder, Restore) {
    struct Case {
        const char* name;
        std::optional<std::string> version;
        std::optional<std::int64_t> build;
        std::int64_t current;
        std::optional<std::int64_t> skipped;
        bool restored;
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        auto reminder = UpdateReminder::restore(c.version, c.build, c.current, c.skipped);
        EXPECT_EQ(reminder.has_value(), c.restored) << c.name;
        if (reminder) {
            EXPECT_EQ(*reminder, (UpdateReminder{*c.version, *c.build})) << c.name;
        }
    }
}

TEST(UpdateSchedule, IsDue) {
    const Date now = 800000000;
    struct Case {
        const char* name;
        std::optional<Date> lastCheck;
        bool enabled;
        bool configured;
        bool due;
    };
    const Case cases[] = {
        {"never checked", std::nullopt, true, true, true},
        {"never checked, disabled", std::nullopt, false, true, false},
        {"never checked, not configured", std::nullopt, true, false, false},
        {"a day ago", now - 86400, true, true, true},
        {"a day ago, disabled", now - 86400, false, true, false},
        {"a day ago, not configured", now - 86400, true, false, false},
        {"almost a day ago", now - 86399, true, true, false},
        {"just now", now, true, true, false},
        {"a week ago", now - 7 * 86400, true, true, true},
        {"in the future after the clock went back", now + 3600, true, true, true},
        {"future and disabled", now + 3600, false, true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UpdateSchedule::isDue(c.lastCheck, now, c.enabled, c.configured), c.due) << c.name;
    }
}

TEST(ReleaseIdentity, VerdictOrder) {
    using Verdict = ReleaseIdentity::Verdict;
    const BundleIdentity team{"TEAM1", true};
    const BundleIdentity unsignedRunning{std::nullopt, true};
    struct Case {
        const char* name;
        BundleIdentity running;
        BundleIdentity candidate;
        Verdict expected;
    };
    const Case cases[] = {
        {"same team", team, {"TEAM1", true}, Verdict::accept},
        {"other team", team, {"TEAM2", true}, Verdict::differentTeam},
        {"candidate without team", team, {std::nullopt, true}, Verdict::differentTeam},
        {"invalid signature beats a matching team", team, {"TEAM1", false}, Verdict::notSigned},
        {"invalid signature with a team-less running app",
         unsignedRunning,
         {"TEAM1", false},
         Verdict::notSigned},
        {"running app without team", unsignedRunning, {"ANY", true}, Verdict::accept},
        {"neither has a team", unsignedRunning, {std::nullopt, true}, Verdict::accept},
        {"team ids compare exactly", team, {"team1", true}, Verdict::differentTeam},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReleaseIdentity::verdict(c.running, c.candidate), c.expected) << c.name;
}

}  // namespace
}  // namespace brimly
