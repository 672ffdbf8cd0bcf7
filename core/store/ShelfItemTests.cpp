#include <gtest/gtest.h>

#include "core/store/Prompt.h"
#include "core/store/Session.h"
#include "core/store/ShelfItem.h"

namespace brimly {
namespace {

ItemVersion version(const char* path, Date at) { return ItemVersion{Url::fromPath(path), at, "p0", 10, 20}; }

ShelfItem fullItem() {
    return ShelfItem{.id = "ab12~2",
                     .kind = ShelfItemKind::image,
                     .fileURL = Url::fromPath("/data/items/ab12 copy é.png"),
                     .remoteURL = Url::parse("https://claude.ai/public/artifacts/xyz"),
                     .sourcePath = "/home/u/shot.png",
                     .title = "shot.png",
                     .sessionID = "3f2a",
                     .promptID = "p1",
                     .sourceKinds = {Source::transcript, Source::scratchpad},
                     .createdAt = 789.25,
                     .seenAt = 800.5,
                     .width = 1920,
                     .height = 1080,
                     .captureID = "toolu_01",
                     .versions = {version("/data/items/v1.png", 1.5), version("/data/items/v2.png", 2.5)}};
}

Json parsed(const char* text) { return JsonIO::parse(text).value(); }

// Every stored record survives a trip through JSON text, written full or bare; a bare record writes only its
// required keys, each of which it cannot do without; a wrongly typed value rejects the whole record.
template <typename Record>
void expectStoredForm(const Record& full, const Record& bare, std::vector<std::string> required,
                      std::vector<std::pair<std::string, Json>> wrong) {
    EXPECT_EQ(Record::fromJson(*JsonIO::parse(JsonIO::dump(full.toJson()))), full);
    Json object = bare.toJson();
    EXPECT_EQ(object.size(), required.size()) << JsonIO::dump(object);
    EXPECT_EQ(Record::fromJson(object), bare);
    for (const std::string& key : required) {
        Json missing = object;
        missing.erase(key);
        EXPECT_FALSE(Record::fromJson(missing)) << key;
    }
    for (const auto& [key, value] : wrong) {
        Json damaged = full.toJson();
        damaged[key] = value;
        EXPECT_FALSE(Record::fromJson(damaged)) << key << " = " << JsonIO::dump(value);
    }
    EXPECT_FALSE(Record::fromJson(parsed(R"(["not","an","object"])")));
}

TEST(StoredRecords, RoundTripRequiredKeysAndWrongTypes) {
    Session session{.id = "3f2a", .slug = "brave-red-fox", .cwd = "/home/u/proj", .branch = "main"};
    session.agentName = "helper";
    session.customTitle = "Custom";
    session.aiTitle = "AI";
    session.firstPrompt = "Fix the build\nplease";
    session.firstPromptAt = 1.5;
    expectStoredForm(session, Session{.id = "unsorted", .startedAt = 1, .lastActive = 2},
                     {"id", "startedAt", "lastActive"}, {{"cwd", 5}});

    Prompt prompt{"p1", "s1", 12.75, "Fix \xC3\xA9 the \"build\""};
    expectStoredForm(prompt, prompt, {"id", "sessionID", "at", "text"}, {{"at", "yesterday"}});

    ShelfItem bare{.id = "artifact:xyz", .kind = ShelfItemKind::artifact, .title = "Page", .sessionID = "u"};
    // clang-format off
    expectStoredForm(fullItem(), bare, {"id", "kind", "title", "sessionID", "sourceKinds", "createdAt"}, {
        {"kind", "movie"},
        {"kind", "PDF"},
        {"sourceKinds", parsed(R"(["chrome","web"])")},
        {"sourceKinds", "chrome"},
        {"createdAt", "5"},
        {"id", 7},
        {"fileURL", "not a url"},
        {"width", 1.5},
        {"width", 99999999999},
        {"versions", parsed(R"([{"createdAt":1}])")},
    });
    // clang-format on

    expectStoredForm(version("/a b", -12.5), ItemVersion{Url::fromPath("/a b"), -12.5, {}, {}, {}},
                     {"fileURL", "createdAt"}, {{"createdAt", "3"}});
    EXPECT_TRUE(ItemVersion::fromJson(parsed(R"({"fileURL":"file:///a","createdAt":3,"width":4.0})")));
}

TEST(ShelfItem, StoredFormKeepsRawKindsAndEncodedUrlsAndReadsNullsAsAbsent) {
    Json object = fullItem().toJson();
    EXPECT_EQ(object["kind"], "image");
    EXPECT_EQ(object["fileURL"], "file:///data/items/ab12%20copy%20%C3%A9.png");
    EXPECT_EQ(object["versions"][1]["fileURL"], "file:///data/items/v2.png");

    auto item = ShelfItem::fromJson(parsed(R"({"id":"a","kind":"pdf","title":"t","sessionID":"s",
        "sourceKinds":["folder","folder"],"createdAt":5,"seenAt":null,"versions":[]})"));
    ASSERT_TRUE(item);
    EXPECT_EQ(item->sourceKinds, std::set<Source>{Source::folder});
    EXPECT_TRUE(item->isUnread());
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
    EXPECT_EQ(all[2], (ItemVersion{*item.fileURL, item.createdAt, item.promptID, item.width, item.height}));
    EXPECT_FALSE(item.isUnread());

    item.fileURL.reset();
    EXPECT_EQ(item.versionCount(), 3u);
    EXPECT_EQ(item.allVersions().size(), 2u);
}

}  // namespace
}  // namespace brimly
