#include <gtest/gtest.h>

#include "core/shelf/ShelfFilter.h"
#include "core/shelf/ShelfTestItems.h"

namespace brimly {
namespace {

using testing::Ids;
using testing::idsOf;
using testing::makeItem;
using testing::makeSession;
using testing::ofKind;
using testing::seen;

// Two projects ("web" and "api"), a watched folder labelled by name, and an item of an unknown session.
Snapshot sample() {
    Snapshot snapshot;
    snapshot.sessions = {makeSession("w", 1, "/src/web"), makeSession("a", 1, "/src/api")};
    snapshot.items = {
        makeItem("img-web", "w", 9),
        seen(ofKind(makeItem("page-web", "w", 8), ShelfItemKind::html)),
        ofKind(makeItem("pdf-api", "a", 7), ShelfItemKind::pdf),
        seen(ofKind(makeItem("doc-api", "a", 6), ShelfItemKind::document)),
        seen(makeItem("img-api", "a", 5)),
        ofKind(makeItem("file-lost", "gone", 4), ShelfItemKind::file),
    };
    snapshot.hidden = {makeItem("hidden", "w", 1)};
    return snapshot;
}

TEST(ShelfFilterTest, CriteriaCombineWithAndKindsWithOr) {
    const Snapshot snapshot = sample();
    // clang-format off
    // name, filter, items still shown as new, items shown
    const std::tuple<const char*, ShelfFilter, std::set<std::string>, Ids> cases[] = {
        {"default", {}, {}, {"img-web", "page-web", "pdf-api", "doc-api", "img-api", "file-lost"}},
        {"images or pages", {std::nullopt, {KindFilter::images, KindFilter::pages}, false}, {}, {"img-web", "page-web", "img-api"}},
        {"and a project", {"api", {KindFilter::images, KindFilter::pages}, false}, {}, {"img-api"}},
        {"documents", {std::nullopt, {KindFilter::documents}, false}, {}, {"pdf-api", "doc-api"}},
        {"only new", {std::nullopt, {}, true}, {}, {"img-web", "pdf-api", "file-lost"}},
        {"only new, still new kept", {"api", {}, true}, {"doc-api"}, {"pdf-api", "doc-api"}},
        {"substitute session", {"Session", {}, false}, {}, {"file-lost"}},
        {"unknown project", {"nope", {}, false}, {}, {}},
    };
    // clang-format on
    for (const auto& [name, filter, stillNew, expected] : cases) {
        Snapshot filtered = filter.apply(snapshot, stillNew);
        EXPECT_EQ(idsOf(filtered.items), expected) << name;
        EXPECT_TRUE(filtered.hidden == snapshot.hidden && filtered.sessions == snapshot.sessions) << name;
    }
}

TEST(ShelfFilterTest, KindCountsIgnoreTheKindsButKeepProjectAndOnlyNew) {
    const Snapshot snapshot = sample();
    using Counts = std::map<KindFilter, std::size_t>;
    EXPECT_EQ(ShelfFilter{}.kindCounts(snapshot, {}), (Counts{{KindFilter::images, 2},
                                                              {KindFilter::pages, 1},
                                                              {KindFilter::documents, 2},
                                                              {KindFilter::other, 1}}));
    ShelfFilter api{"api", {KindFilter::images}, false};
    EXPECT_EQ(api.kindCounts(snapshot, {}), (Counts{{KindFilter::images, 1}, {KindFilter::documents, 2}}));
    api.onlyNew = true;
    EXPECT_EQ(api.kindCounts(snapshot, {"img-api"}),
              (Counts{{KindFilter::images, 1}, {KindFilter::documents, 1}}));
}

TEST(ShelfFilterTest, ProjectsCountsAndValidation) {
    Snapshot snapshot;
    snapshot.sessions = {makeSession("d", 1, "/x/docs"), makeSession("a", 1, "/x/api"),
                         makeSession("w", 1, "/x/web")};
    for (int i = 0; i < 3; ++i) snapshot.items.push_back(makeItem("d" + std::to_string(i), "d", i));
    for (int i = 0; i < 3; ++i) snapshot.items.push_back(makeItem("a" + std::to_string(i), "a", i));
    for (int i = 0; i < 5; ++i) snapshot.items.push_back(makeItem("w" + std::to_string(i), "w", i));
    snapshot.hidden = {makeItem("h", "d", 0)};
    using Projects = std::vector<ShelfFilter::ProjectCount>;
    EXPECT_EQ(ShelfFilter::projects(snapshot), (Projects{{"web", 5}, {"api", 3}, {"docs", 3}}));

    ShelfFilter docs{"docs", {KindFilter::images}, true};
    EXPECT_EQ(docs.validated(snapshot), docs);
    std::erase_if(snapshot.items, [](const ShelfItem& item) { return item.sessionID == "d"; });
    EXPECT_EQ(docs.validated(snapshot), (ShelfFilter{std::nullopt, {KindFilter::images}, true}));
    EXPECT_EQ(ShelfFilter::projects(snapshot), (Projects{{"web", 5}, {"api", 3}}));
}

TEST(ShelfFilterTest, ChipLabelCountsKindsAndOnlyNewButNotTheProject) {
    const std::pair<ShelfFilter, std::optional<std::string>> cases[] = {
        {{}, std::nullopt},
        {{"web", {}, false}, std::nullopt},
        {{std::nullopt, {}, true}, "Only New"},
        {{"web", {KindFilter::audio}, false}, "Audio"},
        {{std::nullopt, {KindFilter::audio}, true}, "2 filters"},
        {{std::nullopt, {KindFilter::audio, KindFilter::video, KindFilter::other}, true}, "4 filters"},
    };
    for (const auto& [filter, label] : cases) {
        EXPECT_EQ(filter.chipLabel(), label);
        EXPECT_EQ(filter.isFiltering(), label.has_value());
    }
}

TEST(ShelfFilterTest, ProjectNamesAndKindTable) {
    Session watched = makeSession("folder:/a/docs", 1, "/a/docs");
    EXPECT_EQ(ShelfFilter::projectName(watched), "docs");
    watched.agentName = "a \u203a docs";
    EXPECT_EQ(ShelfFilter::projectName(watched), "a \u203a docs");
    Session claude = makeSession("s", 1, "/src/web");
    claude.agentName = "helper";
    EXPECT_EQ(ShelfFilter::projectName(claude), "web");
    EXPECT_EQ(ShelfFilter::projectName(makeSession("unsorted", 1)), "Unsorted");

    // The sample snapshot above covers the other kinds.
    EXPECT_EQ(KindFilters::forKind(ShelfItemKind::artifact), KindFilter::artifacts);
    EXPECT_EQ(KindFilters::forKind(ShelfItemKind::video), KindFilter::video);
    EXPECT_EQ(KindFilters::forKind(ShelfItemKind::audio), KindFilter::audio);
    for (auto filter : KindFilters::allCases) {
        EXPECT_EQ(KindFilters::fromRawValue(KindFilters::rawValue(filter)), filter);
    }
    EXPECT_FALSE(KindFilters::fromRawValue("Images"));
}

}  // namespace
}  // namespace brimly
