#include <gtest/gtest.h>

#include "core/store/Session.h"

namespace brimly {
namespace {

// 2026-03-03 09:05:00 UTC, a Tuesday.
constexpr Date tuesdayMorning = 1772528700.0 - unixToReferenceOffset;

Session session(const char* id) {
    return Session{.id = id, .startedAt = tuesdayMorning, .lastActive = tuesdayMorning + 60};
}

TEST(Session, NameTakesTheFirstFieldWithText) {
    Session s = session("a");
    EXPECT_EQ(s.name(), std::nullopt);
    s.firstPrompt = "\n\n  Fix\r\n\r\nthe\xE2\x80\xA8 build \t\n";
    EXPECT_EQ(s.name(), "Fix the  build");
    s.aiTitle = " \t\n\xC2\x85";
    EXPECT_EQ(s.name(), "Fix the  build");
    s.customTitle = "Mine";
    EXPECT_EQ(s.name(), "Mine");
    s.agentName = "";
    EXPECT_EQ(s.name(), "Mine");
    s.agentName = "agent";
    EXPECT_EQ(s.name(), "agent");
}

TEST(Session, FolderAndBranchLabel) {
    // Watched folders' ids are stored, so their form is fixed.
    EXPECT_EQ(Session::folderID("/home/u/Downloads"), "folder:/home/u/Downloads");
    EXPECT_FALSE(Session::isFolderID("folde"));
    Session unsorted = session("unsorted");
    unsorted.cwd = "/Users/a/proj";
    EXPECT_EQ(unsorted.folder(), "Unsorted");

    Session s = session("a");
    s.cwd = "/Users/a/proj";
    EXPECT_EQ(s.folder(), "proj");
    s.cwd = "/Users/a/proj/";
    EXPECT_EQ(s.folder(), "proj");
    s.cwd = "";
    s.slug = "brave-red-fox";
    EXPECT_EQ(s.folder(), "fox");
    s.slug = "brave-red-";
    EXPECT_EQ(s.folder(), "red");
    s.slug = "--";
    EXPECT_EQ(s.folder(), "Session");
    s.slug.reset();
    EXPECT_EQ(s.folder(), "Session");

    EXPECT_EQ(s.branchLabel(), std::nullopt);
    for (const char* absent : {"HEAD", ""}) {
        s.branch = absent;
        EXPECT_EQ(s.branchLabel(), std::nullopt) << absent;
    }
    s.branch = "head";
    EXPECT_EQ(s.branchLabel(), "head");
}

TEST(Session, StartTextDependsOnTheZonesCalendarDay) {
    Session s = session("a");
    // now, zone offset, text
    const std::tuple<Date, int, const char*> cases[] = {
        {tuesdayMorning + 3600, 0, "09:05"},
        {tuesdayMorning + 14 * 3600 + 54 * 60, 0, "09:05"},  // 23:59 the same day
        {tuesdayMorning + 15 * 3600, 0, "Tue 09:05"},        // past midnight
        {tuesdayMorning - 86400 * 3, 0, "Tue 09:05"},        // a start after now is still another day
        {tuesdayMorning + 1800, -10 * 3600, "23:05"},        // still Monday ten hours west
        {tuesdayMorning + 3 * 3600, -10 * 3600, "Mon 23:05"},
        {tuesdayMorning, 5 * 3600 + 1800, "14:35"},
    };
    for (const auto& [now, offset, text] : cases) EXPECT_EQ(s.startText(now, TimeZone::fixed(offset)), text);
}

TEST(Session, TitleAndRowDetail) {
    const Date now = tuesdayMorning + 60;
    const TimeZone utc = TimeZone::utc();
    Session s = session("a");
    s.cwd = "/w/proj";
    EXPECT_EQ(s.title(now, utc), "proj \xC2\xB7 09:05");
    EXPECT_EQ(s.rowDetail(now, utc), (Session::RowDetail{std::nullopt, "09:05"}));
    s.branch = "main";
    EXPECT_EQ(s.title(now, utc), "proj \xC2\xB7 main \xC2\xB7 09:05");
    EXPECT_EQ(s.rowDetail(now, utc), (Session::RowDetail{"main", "09:05"}));
    s.aiTitle = "Named";
    EXPECT_EQ(s.rowDetail(now, utc), (Session::RowDetail{"proj \xC2\xB7 main", "09:05"}));
    s.branch = "HEAD";
    EXPECT_EQ(s.rowDetail(now, utc), (Session::RowDetail{"proj", "09:05"}));

    Session watched = session("folder:/w/Downloads");
    watched.cwd = "/w/Downloads";
    watched.branch = "main";
    watched.aiTitle = "Named";
    EXPECT_EQ(watched.rowDetail(now, utc), (Session::RowDetail{std::nullopt, "09:05"}));
}

}  // namespace
}  // namespace brimly
