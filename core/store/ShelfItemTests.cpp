#include <gtest/gtest.h>

#include "core/store/ShelfItem.h"

namespace brimly {
namespace {

ItemVersion version(const char* path, Date at) { return ItemVersion{Url::fromPath(path), at, "p0", 10, 20}; }

ShelfItem fullItem() {
    ShelfItem item;
    item.id = "ab12~2";
    item.kind = ShelfItemKind::image;
    item.fileURL = Url::fromPath("/data/items/ab12 copy é.png");
    item.remoteURL = Url::parse("https://claude.ai/public/artifacts/xyz");
    item.sourcePath = "/home/u/shot.png";
    item.title = "shot.png";
    item.sessionID = "3f2a";
    item.promptID = "p1";
    item.sourceKinds = {Source::transcript, Source::scratchpad};
    item.createdAt = 789.25;
    item.seenAt = 800.5;
    item.width = 1920;
    item.height = 1080;
    item.captureID = "toolu_01";
    item.versions = {version("/data/items/v1.png", 1.5), version("/data/items/v2.png", 2.5)};
    return item;
}

Json parsed(const char* text) { return JsonIO::parse(text).value(); }

TEST(ShelfItem, RoundTripsThroughJsonText) {
    ShelfItem item = fullItem();
    auto decoded = ShelfItem::fromJson(*JsonIO::parse(JsonIO::dump(item.toJson())));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, item);

    ShelfItem bare;
    bare.id = "artifact:xyz";
    bare.kind = ShelfItemKind::artifact;
    bare.title = "Page";
    bare.sessionID = "unsorted";
    bare.sourceKinds = {Source::transcript};
    auto bareDecoded = ShelfItem::fromJson(*JsonIO::parse(JsonIO::dump(bare.toJson())));
    ASSERT_TRUE(bareDecoded);
    EXPECT_EQ(*bareDecoded, bare);
}

TEST(ShelfItem, WritesTheStoredForm) {
    Json object = fullItem().toJson();
    EXPECT_EQ(object["kind"], "image");
    EXPECT_EQ(object["fileURL"], "file:///data/items/ab12%20copy%20%C3%A9.png");
    EXPECT_EQ(object["createdAt"], 789.25);
    EXPECT_EQ(object["versions"][1]["fileURL"], "file:///data/items/v2.png");
    Json sources = object["sourceKinds"];
    ASSERT_TRUE(sources.is_array());
    EXPECT_EQ(sources.size(), 2u);

    ShelfItem bare;
    bare.id = "x";
    Json small = bare.toJson();
    for (const char* absent : {"fileURL", "remoteURL", "sourcePath", "promptID", "seenAt", "width", "height",
                               "captureID", "versions"}) {
        EXPECT_FALSE(small.contains(absent)) << absent;
    }
    EXPECT_EQ(small["sourceKinds"], Json::array());
}

TEST(ShelfItem, DecodesMissingOptionalsAndNullsAsAbsent) {
    auto item = ShelfItem::fromJson(parsed(R"({"id":"a","kind":"pdf","title":"t","sessionID":"s",
        "sourceKinds":["folder","folder"],"createdAt":5,"seenAt":null,"versions":[]})"));
    ASSERT_TRUE(item);
    EXPECT_EQ(item->kind, ShelfItemKind::pdf);
    EXPECT_EQ(item->sourceKinds, std::set<Source>{Source::folder});
    EXPECT_TRUE(item->isUnread());
    EXPECT_FALSE(item->fileURL);
    EXPECT_TRUE(item->versions.empty());
}

TEST(ShelfItem, RejectsUndecodableObjects) {
    const char* good =
        R"({"id":"a","kind":"pdf","title":"t","sessionID":"s","sourceKinds":["chrome"],"createdAt":5})";
    ASSERT_TRUE(ShelfItem::fromJson(parsed(good)));
    const char* bad[] = {
        R"({"id":"a","kind":"movie","title":"t","sessionID":"s","sourceKinds":["chrome"],"createdAt":5})",
        R"({"id":"a","kind":"PDF","title":"t","sessionID":"s","sourceKinds":["chrome"],"createdAt":5})",
        R"({"id":"a","kind":"pdf","title":"t","sessionID":"s","createdAt":5})",
        R"({"id":"a","kind":"pdf","title":"t","sessionID":"s","sourceKinds":["chrome","web"],"createdAt":5})",
        R"({"id":"a","kind":"pdf","title":"t","sessionID":"s","sourceKinds":"chrome","createdAt":5})",
        R"({"kind":"pdf","title":"t","sessionID":"s","sourceKinds":["chrome"],"createdAt":5})",
        R"({"id":"a","title":"t","sessionID":"s","sourceKinds":["chrome"],"createdAt":5})",
        R"({"id":"a","kind":"pdf","sessionID":"s","sourceKinds":["chrome"],"createdAt":5})",
        R"({"id":"a","kind":"pdf","title":"t","sourceKinds":["chrome"],"createdAt":5})",
        R"({"id":"a","kind":"pdf","title":"t","sessionID":"s","sourceKinds":["chrome"]})",
        R"({"id":"a","kind":"pdf","title":"t","sessionID":"s","sourceKinds":["chrome"],"createdAt":"5"})",
        R"({"id":7,"kind":"pdf","title":"t","sessionID":"s","sourceKinds":["chrome"],"createdAt":5})",
        R"({"id":"a","kind":"pdf","title":"t","sessionID":"s","sourceKinds":["chrome"],"createdAt":5,"fileURL":"not a url"})",
        R"({"id":"a","kind":"pdf","title":"t","sessionID":"s","sourceKinds":["chrome"],"createdAt":5,"width":1.5})",
        R"({"id":"a","kind":"pdf","title":"t","sessionID":"s","sourceKinds":["chrome"],"createdAt":5,"width":99999999999})",
        R"({"id":"a","kind":"pdf","title":"t","sessionID":"s","sourceKinds":["chrome"],"createdAt":5,"versions":[{"createdAt":1}]})",
        R"(["not","an","object"])",
    };
    for (const char* text : bad) EXPECT_FALSE(ShelfItem::fromJson(parsed(text))) << text;
}

TEST(ShelfItem, VersionsWithAndWithoutAFile) {
    ShelfItem artifact;
    EXPECT_EQ(artifact.versionCount(), 1u);
    EXPECT_FALSE(artifact.current());
    EXPECT_TRUE(artifact.allVersions().empty());

    ShelfItem item = fullItem();
    EXPECT_EQ(item.versionCount(), 3u);
    auto all = item.allVersions();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0], item.versions[0]);
    EXPECT_EQ(all[1], item.versions[1]);
    EXPECT_EQ(all[2], (ItemVersion{*item.fileURL, item.createdAt, item.promptID, item.width, item.height}));
    EXPECT_FALSE(item.isUnread());

    item.fileURL.reset();
    EXPECT_EQ(item.versionCount(), 3u);
    EXPECT_EQ(item.allVersions().size(), 2u);
}

TEST(ItemVersion, RoundTripAndRequiredFields) {
    ItemVersion bare{Url::fromPath("/a b"), -12.5, std::nullopt, std::nullopt, std::nullopt};
    Json object = bare.toJson();
    EXPECT_EQ(object.size(), 2u);
    EXPECT_EQ(ItemVersion::fromJson(object), bare);
    EXPECT_FALSE(ItemVersion::fromJson(parsed(R"({"fileURL":"file:///a"})")));
    EXPECT_FALSE(ItemVersion::fromJson(parsed(R"({"createdAt":3})")));
    EXPECT_TRUE(ItemVersion::fromJson(parsed(R"({"fileURL":"file:///a","createdAt":3,"width":4.0})")));
}

}  // namespace
}  // namespace brimly
