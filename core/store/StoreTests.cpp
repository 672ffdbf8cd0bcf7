#include <gtest/gtest.h>

#include <filesystem>

#include "core/base/AtomicFile.h"
#include "core/base/AtomicFileFaults.h"
#include "core/base/Clock.h"
#include "core/base/Crypto.h"
#include "core/base/FileReader.h"
#include "core/base/Log.h"
#include "core/base/ManualQueue.h"
#include "core/platform/FileSystem.h"
#include "core/store/Store.h"
#include "core/testsupport/FileTimes.h"
#include "core/testsupport/TempDir.h"

namespace brimly {
namespace {

using testing::TempDir;

std::string hexID(char digit) { return std::string(64, digit); }

ShelfItem makeItem(const std::string& id, Date createdAt, std::optional<Url> file = std::nullopt,
                   const std::string& session = "s1") {
    return ShelfItem{.id = id,
                     .kind = ShelfItemKind::image,
                     .fileURL = std::move(file),
                     .title = id.substr(0, 8) + ".png",
                     .sessionID = session,
                     .sourceKinds = {Source::transcript},
                     .createdAt = createdAt};
}

template <typename Map>
std::set<std::string> keysOf(const Map& map) {
    std::set<std::string> keys;
    for (const auto& entry : map) keys.insert(entry.first);
    return keys;
}

std::string read(const std::string& path) { return AtomicFile::read(path).value_or("<missing>"); }

std::vector<std::string> unreadableNames(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        std::string name = entry.path().filename().string();
        if (name.rfind("index.unreadable-", 0) == 0) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A store over a temporary folder with a hand-driven clock and queue.
struct Fixture {
    TempDir dir;
    ManualClock clock{dateFromUnix(1'700'000'000)};
    ManualQueue queue;

    std::unique_ptr<Store> open(bool autosave = true) {
        return std::make_unique<Store>(
            dir.path(), [this] { return clock.now(); }, autosave ? &queue : nullptr);
    }
    // A copy under items/, made through the store.
    Url copy(Store& store, const std::string& id, std::string_view bytes = "png bytes") {
        auto result = store.copyIn(bytes, id, "png");
        EXPECT_FALSE(result.error) << result.error.message();
        return result.url.value();
    }
};

class StoreTest : public ::testing::Test, public Fixture {};

TEST(StoreIndexTest, DecodesLenientlyAndRejectsOnlyAWholeBadFile) {
    // name, index text, readable, items kept
    const std::tuple<const char*, const char*, bool, std::size_t> cases[] = {
        {"one item without kind is dropped",
         R"({"items":[{"id":"a","title":"t","sessionID":"s","sourceKinds":["chrome"],"createdAt":1},
                      {"id":"b","kind":"image","title":"t","sessionID":"s","sourceKinds":["chrome"],"createdAt":1},
                      {"id":"c","kind":"nope","title":"t","sessionID":"s","sourceKinds":[],"createdAt":1}],
            "sessions":[{"id":"s"}],"prompts":[7],"hidden":[1,"x"],"deleted":{"a":"soon","b":3},
            "version":99,"lastRunAt":"yesterday"})",
         true, 1},
        {"empty arrays", R"({"items":[],"sessions":[],"prompts":[]})", true, 0},
        {"missing prompts", R"({"items":[],"sessions":[]})", false, 0},
        {"items not an array", R"({"items":{},"sessions":[],"prompts":[]})", false, 0},
        {"not an object", R"([1,2])", false, 0},
        {"not JSON", R"({"items":[)", false, 0},
        {"broken after good elements",
         R"({"items":[{"id":"b","kind":"image","title":"t","sessionID":"s","sourceKinds":[],"createdAt":1},{]],
            "sessions":[],"prompts":[]})",
         false, 0},
        {"trailing content", R"({"items":[],"sessions":[],"prompts":[]} {})", false, 0},
    };
    for (const auto& [name, text, readable, items] : cases) {
        auto index = StoreIndex::decode(text);
        EXPECT_EQ(index.has_value(), readable) << name;
        EXPECT_EQ(index ? index->items.size() : 0, items) << name;
    }
    auto index = StoreIndex::decode(std::get<1>(cases[0])).value();
    EXPECT_EQ(index.items[0].id, "b");
    EXPECT_TRUE(index.sessions.empty());
    EXPECT_TRUE(index.prompts.empty());
    EXPECT_EQ(index.hidden, std::vector<std::string>{"x"});
    EXPECT_EQ(index.deleted, (std::map<std::string, Date>{{"b", 3}}));
    EXPECT_FALSE(index.lastRunAt);
}

// Paths that are not UTF-8 (a watched root, a source, transcripts) come back whole.
TEST(StoreIndexTest, EncodesCompactSortedJsonThatDecodesToTheSameIndex) {
    const std::string root = "/home/a/caf\xe9";
    const std::string shot = root + "/\xff\xfe shot.png";
    StoreIndex index;
    index.lastRunAt = 800'000'000.5;
    ShelfItem item{.id = "a", .kind = ShelfItemKind::image, .title = "shot \"1\"", .sessionID = "s"};
    item.sourceKinds = {Source::scratchpad};
    item.createdAt = 799'999'000;
    item.versions.push_back({Url::fromPath("/tmp/v 1.png"), 799'998'000, std::nullopt, 10, 20});
    ShelfItem folderItem{.id = "f",
                         .kind = ShelfItemKind::image,
                         .sourcePath = shot,
                         .title = "t",
                         .sessionID = Session::folderID(root)};
    index.items = {item, ShelfItem{.id = "b", .kind = ShelfItemKind::pdf, .title = "p", .sessionID = "s"},
                   folderItem};
    index.sessions = {Session{.id = "s", .slug = "proj"},
                      Session{.id = Session::folderID(root), .cwd = root}};
    index.prompts.push_back({"p1", "s", 799'990'000, "draw it"});
    index.hidden = {"h"};
    index.hiddenItems = {{item, 800'000'000}, {folderItem, 1}};
    index.deleted = {{"d", 1}};
    index.deletedPaths = {{"/x", 2}, {shot, 2}};
    index.titleChecks = {{"/t.jsonl", 3}, {root + "/t.jsonl", 3}};
    std::string text = index.encode();
    // Compact with sorted keys is a fixed point of parse and dump.
    EXPECT_EQ(JsonIO::dump(*JsonIO::parse(text)), text);
    EXPECT_EQ(StoreIndex::decode(text), index);
    EXPECT_EQ(StoreIndex{}.encode(),
              R"({"deleted":{},"deletedPaths":{},"hidden":[],"hiddenItems":[],"items":[],"prompts":[],)"
              R"("sessions":[],"titleChecks":{},"version":1})");

    // Offsets of such paths too, while others stay as earlier versions wrote them.
    OffsetsFile::Content offsets{.offsets = {{root + "/t.jsonl", 7}, {"/plain/\xc3\xbc.jsonl", 8}},
                                 .identities = {{root + "/t.jsonl", FileIdentity{1, 2}}}};
    EXPECT_EQ(OffsetsFile::decode(OffsetsFile::encode(offsets)), offsets);
    EXPECT_EQ(OffsetsFile::encode({.offsets = {{"/plain/\xc3\xbc.jsonl", 8}}}),
              "{\"/plain/\xc3\xbc.jsonl\":8}");
    EXPECT_EQ(OffsetsFile::decode(R"({"/plain/a b.jsonl":8})")->offsets.count("/plain/a b.jsonl"), 1u);
}

TEST(StoreIndexTest, OffsetsKeepOnlyUnsignedIntegers) {
    auto offsets =
        OffsetsFile::decode(R"({"/a":12,"/b":-1,"/c":"7","/d":18446744073709551615,"/e":1.5,)"
                            R"("/f":{"offset":3,"device":1,"inode":2},"/g":{"offset":4,"inode":2},)"
                            R"("/h":{"device":1,"inode":2}})");
    ASSERT_TRUE(offsets);
    EXPECT_EQ(offsets->offsets, (std::map<std::string, std::uint64_t>{
                                    {"/a", 12}, {"/d", 18446744073709551615u}, {"/f", 3}, {"/g", 4}}));
    EXPECT_EQ(offsets->identities, (std::map<std::string, FileIdentity>{{"/f", {1, 2}}}));
    EXPECT_FALSE(OffsetsFile::decode("[]"));
}

TEST_F(StoreTest, EverythingWrittenComesBackAfterARestart) {
    auto store = open(false);
    EXPECT_TRUE(store->isFirstRun());
    ShelfItem item = makeItem(hexID('a'), 100, copy(*store, hexID('a')));
    item.sourcePath = "/src/a.png";
    item.versions = {ItemVersion{copy(*store, hexID('0')), 50, "p0", 3, 4}};
    store->upsert(item);
    store->upsert(makeItem(hexID('b'), 200));
    store->upsert(Session{.id = "s1", .startedAt = 1, .lastActive = 2});
    store->upsert(Prompt{"p0", "s1", 40, "hello"});
    store->hide(hexID('b'));
    store->hide("never-stored");
    store->deleteItems({});
    store->setTitleChecked("/t.jsonl", 9);
    store->setOffset(1234, "/t.jsonl");
    store->setOffset(56, "/u.jsonl", FileIdentity{7, 8});
    store->setNeedsSave();
    clock.advance(10);
    // Without a queue nothing is written before a flush.
    EXPECT_FALSE(FileSystem::exists(dir / "index.json"));
    EXPECT_FALSE(FileSystem::exists(dir / "offsets.json"));
    EXPECT_TRUE(store->flush());

    auto reopened = open(false);
    EXPECT_FALSE(reopened->isFirstRun());
    EXPECT_EQ(reopened->previousRunAt(), clock.now());
    EXPECT_EQ(reopened->revision(), 0);
    EXPECT_EQ(reopened->items(), store->items());
    EXPECT_EQ(reopened->sessions(), store->sessions());
    EXPECT_EQ(reopened->prompts(), store->prompts());
    EXPECT_EQ(reopened->hiddenItems(), store->hiddenItems());
    EXPECT_EQ(reopened->hidden(), (std::set<std::string>{hexID('b'), "never-stored"}));
    EXPECT_EQ(reopened->titleChecks(), store->titleChecks());
    EXPECT_EQ(reopened->offsets(),
              (std::map<std::string, std::uint64_t>{{"/t.jsonl", 1234}, {"/u.jsonl", 56}}));
    EXPECT_EQ(reopened->offsetIdentity("/t.jsonl"), std::nullopt);
    EXPECT_EQ(reopened->offsetIdentity("/u.jsonl"), (FileIdentity{7, 8}));
    EXPECT_EQ(reopened->itemsAtSourcePath("/src/a.png").size(), 1u);
}

TEST_F(StoreTest, OnlyAWhollyUnreadableIndexIsMovedAsideAndTheStoreThenStartsEmpty) {
    // The store reads its file with `decodeFile`, not through the text decoder above.
    dir.write("index.json", R"({"items":[{"id":"a"},{"id":"b","kind":"pdf","title":"t","sessionID":"s",
        "sourceKinds":[],"createdAt":1}],"sessions":[],"prompts":[]})");
    EXPECT_EQ(open()->items().size(), 1u);
    EXPECT_TRUE(unreadableNames(dir).empty());
    clock.setNow(dateFromUnix(1'700'000'000));  // 2023-11-14 22:13:20 UTC
    dir.write("index.json", "{not json");
    dir.write("offsets.json", "garbage");
    {
        auto store = open();
        EXPECT_TRUE(store->isFirstRun());
        EXPECT_FALSE(store->previousRunAt());
        EXPECT_TRUE(store->items().empty());
        EXPECT_TRUE(store->offsets().empty());
    }
    EXPECT_FALSE(FileSystem::exists(dir / "index.json"));
    EXPECT_EQ(unreadableNames(dir), std::vector<std::string>{"index.unreadable-20231114T221320.json"});
    EXPECT_EQ(read(dir / "index.unreadable-20231114T221320.json"), "{not json");

    dir.write("index.json", R"({"items":[],"sessions":[]})");
    open();
    auto names = unreadableNames(dir);
    ASSERT_EQ(names.size(), 2u);
    // index.unreadable-20231114T221320-XXXXXXXX-XXXX-4XXX-YXXX-XXXXXXXXXXXX.json
    std::string withUUID = names[0] == "index.unreadable-20231114T221320.json" ? names[1] : names[0];
    EXPECT_EQ(withUUID.size(), std::string("index.unreadable-20231114T221320-.json").size() + 36);
    EXPECT_EQ(read(dir / withUUID), R"({"items":[],"sessions":[]})");
}

TEST_F(StoreTest, WritesAreDebouncedOnTheQueue) {
    auto store = open();
    for (char digit : std::string("abc")) store->upsert(makeItem(hexID(digit), 1));
    store->setOffset(10, "/x.jsonl");
    store->setOffset(20, "/x.jsonl");
    queue.advance(1.9);
    EXPECT_FALSE(FileSystem::exists(dir / "index.json"));
    queue.advance(0.1);
    EXPECT_EQ(StoreIndex::decode(read(dir / "index.json"))->items.size(), 3u);
    EXPECT_FALSE(FileSystem::exists(dir / "offsets.json"));

    // A change after the index write but before the offsets write is carried by the offsets write.
    store->upsert(makeItem(hexID('d'), 1));
    queue.advance(1.0);
    store->setTitleChecked("/x.jsonl", 3);
    queue.advance(1.0);
    EXPECT_EQ(StoreIndex::decode(read(dir / "index.json"))->items.size(), 4u);
    queue.advance(3.0);
    EXPECT_EQ(read(dir / "offsets.json"), R"({"/x.jsonl":20})");
    EXPECT_FALSE(store->isIndexDirty());
    EXPECT_FALSE(queue.hasPending());
}

TEST_F(StoreTest, AnEqualUpsertChangesNothingAndSchedulesNoWrite) {
    auto store = open();
    ShelfItem item = makeItem(hexID('a'), 1);
    Session session{.id = "s1", .startedAt = 1, .lastActive = 2};
    Prompt prompt{"p", "s1", 1, "t"};
    EXPECT_TRUE(store->upsert(item));
    EXPECT_TRUE(store->upsert(session));
    EXPECT_TRUE(store->upsert(prompt));
    EXPECT_EQ(store->revision(), 3);
    queue.advance(5);
    ASSERT_FALSE(store->isIndexDirty());

    EXPECT_FALSE(store->upsert(item));
    EXPECT_FALSE(store->upsert(session));
    EXPECT_FALSE(store->upsert(prompt));
    store->markSeen({item.id}, 0);
    store->markSeen({item.id}, 0);
    EXPECT_EQ(store->revision(), 4);
    queue.advance(5);
    EXPECT_FALSE(store->upsert(item = store->items().at(item.id)));
    store->setOffset(0, "/a");
    queue.advance(10);
    store->setOffset(0, "/a");
    store->setTitleChecked("/a", 1);
    queue.advance(10);
    store->setTitleChecked("/a", 1);
    EXPECT_EQ(store->revision(), 4);
    EXPECT_FALSE(store->isIndexDirty());
    EXPECT_FALSE(queue.hasPending());
}

// A failed write is logged and leaves the data dirty, and offsets are never saved ahead of an index that
// failed: a flush writes the index once, the timers at 2 s and at 5 s twice.
TEST(StoreFailedWriteTest, OffsetsAreNeverSavedAheadOfAnIndexThatFailedToSave) {
    for (bool flushing : {false, true}) {
        Fixture fixture;
        auto store = fixture.open();
        store->upsert(makeItem(hexID('a'), 1));
        store->setOffset(5, "/a");
        int failing = flushing ? 1 : 2;
        AtomicFile::setFaultForTesting([&failing](AtomicFile::Stage stage, const std::string&) {
            bool fail = stage == AtomicFile::Stage::write && failing-- > 0;
            return fail ? std::make_error_code(std::errc::no_space_on_device) : std::error_code();
        });
        std::vector<std::string> errors;
        {
            Log::ScopedSink sink([&](Log::Level level, std::string_view category, std::string_view message) {
                if (level == Log::Level::error) errors.push_back(fmt::format("{}: {}", category, message));
            });
            EXPECT_FALSE(flushing ? store->flush() : (fixture.queue.advance(5), false));
        }
        AtomicFile::setFaultForTesting(nullptr);
        ASSERT_FALSE(errors.empty());
        EXPECT_EQ(errors.front(), "store: index not saved: generic " + std::to_string(ENOSPC));
        EXPECT_TRUE(store->isIndexDirty());
        EXPECT_TRUE(store->isOffsetsDirty());
        EXPECT_FALSE(FileSystem::exists(fixture.dir / "index.json"));
        EXPECT_FALSE(FileSystem::exists(fixture.dir / "offsets.json")) << flushing;

        EXPECT_TRUE(store->flush());
        EXPECT_FALSE(store->isIndexDirty());
        EXPECT_EQ(StoreIndex::decode(read(fixture.dir / "index.json"))->items.size(), 1u);
        EXPECT_EQ(OffsetsFile::decode(read(fixture.dir / "offsets.json"))->offsets.at("/a"), 5u);
    }
}

TEST_F(StoreTest, ASharedCopyIsDeletedOnlyWithItsLastUser) {
    auto store = open();
    Url shared = copy(*store, hexID('a'));
    std::string path = shared.path().value();
    store->upsert(makeItem(hexID('a'), 1, shared));
    store->upsert(makeItem(hexID('a') + "~2", 2, shared));
    dir.write("thumbs/" + hexID('a') + ".jpg", "thumb");
    EXPECT_EQ(store->itemsWithContent(hexID('a')).size(), 2u);

    EXPECT_EQ(store->deleteItems({hexID('a'), "unknown"}), 1);
    EXPECT_TRUE(store->flush());
    EXPECT_TRUE(FileSystem::exists(path));
    EXPECT_FALSE(FileSystem::exists(dir / ("thumbs/" + hexID('a') + ".jpg")));
    EXPECT_TRUE(store->remove(hexID('a') + "~2"));
    EXPECT_FALSE(store->remove(hexID('a') + "~2"));
    EXPECT_TRUE(store->flush());
    EXPECT_FALSE(FileSystem::exists(path));
    EXPECT_TRUE(store->itemsWithContent(hexID('a')).empty());
}

TEST_F(StoreTest, RemovedFilesStayUntilAnIndexWithoutThemIsWritten) {
    std::string path;
    {
        auto store = open();
        Url url = copy(*store, hexID('a'));
        path = url.path().value();
        store->upsert(makeItem(hexID('a'), 1, url));
        EXPECT_TRUE(store->flush());
        store->remove(hexID('a'));
        queue.advance(1);
        // A crash here: the index on disk still names the copy, so the copy must still be there.
        EXPECT_TRUE(FileSystem::exists(path));
    }
    auto restarted = open();
    ASSERT_EQ(restarted->items().size(), 1u);
    EXPECT_TRUE(FileSystem::exists(path));
    restarted->remove(hexID('a'));
    queue.advance(2);
    EXPECT_FALSE(FileSystem::exists(path));
}

TEST_F(StoreTest, ACopyTakenBackBeforeTheWriteSurvivesItsEarlierRemoval) {
    auto store = open();
    Url url = copy(*store, hexID('a'), "first");
    store->upsert(makeItem(hexID('a'), 1, url));
    dir.write("thumbs/" + hexID('a') + ".jpg", "thumb");
    store->remove(hexID('a'));
    EXPECT_EQ(copy(*store, hexID('a'), "second"), url);
    store->upsert(makeItem(hexID('a'), 2, url));
    EXPECT_TRUE(store->flush());
    EXPECT_EQ(read(url.path().value()), "first");
    EXPECT_TRUE(FileSystem::exists(dir / ("thumbs/" + hexID('a') + ".jpg")));
}

TEST_F(StoreTest, HidingKeepsFilesAndUnhidingBringsBackTheSameItem) {
    auto store = open();
    Url url = copy(*store, hexID('a'));
    ShelfItem item = makeItem(hexID('a'), 1, url);
    item.sourcePath = "/src/a.png";
    store->upsert(item);
    store->upsert(makeItem(hexID('a') + "~2", 2, url));
    clock.advance(7);
    store->hide(item.id);
    EXPECT_TRUE(store->isHidden(item.id));
    EXPECT_TRUE(store->isHiddenSourcePath("/src/a.png"));
    EXPECT_TRUE(store->itemsAtSourcePath("/src/a.png").empty());
    EXPECT_EQ(store->hiddenItems().at(item.id).hiddenAt, clock.now());
    EXPECT_FALSE(store->upsert(item)) << "an id with a hidden record is never shown twice";

    // The shown user of the shared copy goes; the hidden one still needs it.
    store->deleteItems({hexID('a') + "~2"});
    EXPECT_TRUE(store->flush());
    EXPECT_TRUE(FileSystem::exists(url.path().value()));

    EXPECT_TRUE(store->unhide(item.id));
    EXPECT_EQ(store->items().at(item.id), item);
    EXPECT_FALSE(store->isHidden(item.id));
    EXPECT_FALSE(store->isHiddenSourcePath("/src/a.png"));
    EXPECT_FALSE(store->unhide(item.id));
    EXPECT_FALSE(store->unhide("never-hidden"));

    store->hide("not-stored");
    EXPECT_TRUE(store->isHidden("not-stored"));
    EXPECT_TRUE(store->hiddenItems().empty());
}

// The lookups by source path and by content point into the stored items: they must follow an item through
// every change of place (hide, unhide, a replacing upsert that moves its source) and forget it when it goes.
TEST_F(StoreTest, LookupsFollowItemsThroughEveryChangeOfPlace) {
    auto store = open();
    auto sourced = [](const std::string& id, const std::string& path) {
        ShelfItem item = makeItem(id, 10);
        item.sourcePath = path;
        return item;
    };
    auto at = [&store](const std::string& path) {
        std::vector<std::string> ids;
        for (const ShelfItem& item : store->itemsAtSourcePath(path)) ids.push_back(item.id);
        return ids;
    };
    const std::string a = hexID('a'), twin = hexID('a') + "~2", b = hexID('b');
    store->upsert(sourced(a, "/src/one.png"));
    store->upsert(sourced(twin, "/src/one.png"));
    store->upsert(sourced(b, "/src/two.png"));
    EXPECT_EQ(at("/src/one.png"), (std::vector<std::string>{a, twin}));
    EXPECT_EQ(store->itemsWithContent(hexID('a')).size(), 2u);

    store->upsert(sourced(twin, "/src/moved.png"));
    EXPECT_EQ(at("/src/one.png"), std::vector<std::string>{a});
    EXPECT_EQ(at("/src/moved.png"), std::vector<std::string>{twin});

    store->hide(a);
    EXPECT_TRUE(at("/src/one.png").empty());
    EXPECT_TRUE(store->isHiddenSourcePath("/src/one.png"));
    EXPECT_TRUE(store->hasIngested("/src/one.png", 10));
    EXPECT_EQ(store->itemsWithContent(hexID('a')).size(), 1u);
    EXPECT_TRUE(store->unhide(a));
    EXPECT_FALSE(store->isHiddenSourcePath("/src/one.png"));
    EXPECT_EQ(at("/src/one.png"), std::vector<std::string>{a});

    store->hide(b);
    EXPECT_EQ(store->deleteItems({b, twin}), 2);
    EXPECT_FALSE(store->isHiddenSourcePath("/src/two.png"));
    EXPECT_TRUE(at("/src/moved.png").empty());
    EXPECT_TRUE(store->remove(a));
    EXPECT_TRUE(store->itemsWithContent(hexID('a')).empty());
    EXPECT_FALSE(store->hasIngested("/src/one.png", 10));

    store->upsert(sourced(a, "/src/one.png"));
    store->purge(11);
    EXPECT_TRUE(at("/src/one.png").empty());
    EXPECT_TRUE(store->itemsWithContent(hexID('a')).empty());
}

TEST_F(StoreTest, DeletionAndIngestionMarksHaveInclusiveBoundaries) {
    clock.setNow(100);
    auto store = open();
    ShelfItem item = makeItem(hexID('a'), 50);
    item.sourcePath = "/src/a.png";
    store->upsert(item);
    ShelfItem hidden = makeItem(hexID('h'), 70);
    hidden.sourcePath = "/src/h.png";
    store->upsert(hidden);
    store->hide(hidden.id);
    EXPECT_TRUE(store->hasIngested("/src/a.png", 50));
    EXPECT_FALSE(store->hasIngested("/src/a.png", 50.5));
    EXPECT_TRUE(store->hasIngested("/src/h.png", 70));
    EXPECT_FALSE(store->hasIngested("/src/h.png", 71));
    EXPECT_FALSE(store->hasIngested("/nowhere", 0));

    store->deleteItems({item.id});
    const std::optional<std::string> none, pathA = "/src/a.png";
    // clang-format off
    // id, source path, created at, deleted
    const std::tuple<std::string, std::optional<std::string>, Date, bool> cases[] = {
        {item.id, none, 100, true},
        {item.id, none, 100.5, false},
        {"other", pathA, 99, true},
        {"other", pathA, 101, false},
        {item.id, "/src/b.png", 101, false},
        {"other", none, 1, false},
    };
    // clang-format on
    for (const auto& [id, path, createdAt, deleted] : cases) {
        EXPECT_EQ(store->isDeleted(id, path, createdAt), deleted) << id << " at " << createdAt;
    }
    EXPECT_TRUE(store->hasIngested("/src/a.png", 100));
    EXPECT_FALSE(store->hasIngested("/src/a.png", 100.5));
}

TEST_F(StoreTest, DeleteAllSparesTheListedIds) {
    auto store = open();
    for (char digit : std::string("abcd")) store->upsert(makeItem(hexID(digit), 1));
    store->hide(hexID('d'));
    auto deleted = store->deleteAll({hexID('b')});
    std::sort(deleted.begin(), deleted.end());
    EXPECT_EQ(deleted, (std::vector<std::string>{hexID('a'), hexID('c'), hexID('d')}));
    EXPECT_EQ(store->items().size(), 1u);
    EXPECT_TRUE(store->hiddenItems().empty());
    EXPECT_EQ(store->deleted().size(), 3u);
}

TEST_F(StoreTest, SnapshotShowsTheNewestItemsAndIsCachedPerRevisionAndLimit) {
    auto store = open();
    for (int index = 0; index < 5; ++index) {
        store->upsert(makeItem(hexID(static_cast<char>('a' + index)), 10.0 * index, std::nullopt,
                               index < 3 ? "old" : "new"));
    }
    store->upsert(Session{.id = "old", .startedAt = 0, .lastActive = 20});
    store->upsert(Session{.id = "new", .startedAt = 0, .lastActive = 40});
    store->upsert(Prompt{"p-early", "new", 25, "early"});
    store->upsert(Prompt{"p-late", "new", 30, "late"});
    store->upsert(Prompt{"p-after", "new", 35, "after"});
    store->upsert(Prompt{"p-old", "old", 0, "unused"});

    auto two = store->snapshot(2);
    ASSERT_EQ(two->items.size(), 2u);
    EXPECT_EQ(two->items[0].id, hexID('e'));
    EXPECT_EQ(two->items[1].id, hexID('d'));
    EXPECT_EQ(two->items[0].promptID, "p-after");
    EXPECT_EQ(two->items[1].promptID, "p-late") << "the latest prompt at or before the item";
    EXPECT_FALSE(store->items().at(hexID('d')).promptID) << "stored items are not changed";
    ASSERT_EQ(two->sessions.size(), 1u);
    EXPECT_EQ(two->sessions[0].id, "new");
    std::set<std::string> prompts;
    for (const Prompt& prompt : two->prompts) prompts.insert(prompt.id);
    EXPECT_EQ(prompts, (std::set<std::string>{"p-late", "p-after"}));

    auto builds = store->snapshotBuilds();
    EXPECT_EQ(store->snapshot(2), two);
    EXPECT_EQ(store->snapshotBuilds(), builds);
    auto all = store->snapshot(50);
    EXPECT_EQ(all->items.size(), 5u);
    EXPECT_EQ(all->sessions.size(), 2u);
    EXPECT_EQ(all->sessions[0].id, "new");
    EXPECT_EQ(store->snapshotBuilds(), builds + 1);
    EXPECT_EQ(store->snapshot(0)->items.size(), 0u);

    store->setTitleChecked("/t", 1);
    EXPECT_EQ(store->snapshot(0), store->snapshot(0)) << "invisible changes keep the cache";
    store->hide(hexID('e'));
    auto afterHide = store->snapshot(2);
    EXPECT_NE(afterHide, two);
    EXPECT_EQ(afterHide->items[0].id, hexID('d'));
    ASSERT_EQ(afterHide->hidden.size(), 1u);
    EXPECT_EQ(afterHide->hidden[0].id, hexID('e'));
}

// A burst once brought items older than the newest 500, which a follower of the snapshots never saw.
TEST_F(StoreTest, SnapshotsCarryEachItemNewSinceThePreviousOneThatFallsBeyondTheLimitOnce) {
    auto store = open();
    store->upsert(Session{.id = "s", .startedAt = 0, .lastActive = 40});
    for (char id : {'c', 'd'}) store->upsert(makeItem(hexID(id), 10.0 * (id - 'a'), std::nullopt, "s"));
    store->snapshot(1);
    for (char id : {'a', 'e', 'b'}) store->upsert(makeItem(hexID(id), 10.0 * (id - 'a'), std::nullopt, "s"));
    store->deleteItems({hexID('b')});
    auto late = store->snapshot(1);
    ASSERT_EQ(late->items.size(), 1u);
    EXPECT_EQ(late->items[0].id, hexID('e'));
    ASSERT_EQ(late->arrivedBeyondLimit.size(), 1u) << "not the shown one, a deleted one or earlier arrivals";
    EXPECT_EQ(late->arrivedBeyondLimit[0].item.id, hexID('a'));
    EXPECT_EQ(late->arrivedBeyondLimit[0].session->id, "s");
    EXPECT_EQ(late->sessions.size(), 1u);
    store->upsert(makeItem(hexID('f'), 60, std::nullopt, "s"));
    EXPECT_TRUE(store->snapshot(1)->arrivedBeyondLimit.empty());
}

TEST_F(StoreTest, SnapshotGivesVersionsWithoutAPromptTheOneOfTheirTime) {
    auto store = open();
    store->upsert(Prompt{"p1", "s1", 10, "one"});
    store->upsert(Prompt{"p2", "s1", 20, "two"});
    ShelfItem item = makeItem(hexID('a'), 25, Url::fromPath(dir / "items/x.png"));
    item.versions = {ItemVersion{Url::fromPath(dir / "items/v0.png"), 5, std::nullopt, {}, {}},
                     ItemVersion{Url::fromPath(dir / "items/v1.png"), 12, std::nullopt, {}, {}},
                     ItemVersion{Url::fromPath(dir / "items/v2.png"), 21, "p1", {}, {}}};
    store->upsert(item);
    auto shown = store->snapshot(10)->items.at(0);
    EXPECT_EQ(shown.promptID, "p2");
    EXPECT_FALSE(shown.versions[0].promptID);
    EXPECT_EQ(shown.versions[1].promptID, "p1");
    EXPECT_EQ(shown.versions[2].promptID, "p1");
}

TEST_F(StoreTest, PurgeRemovesWhatIsOlderThanTheCutoff) {
    clock.setNow(1000);
    auto store = open();
    Url oldCopy = copy(*store, hexID('o'));
    store->upsert(makeItem(hexID('o'), 10, oldCopy, "gone"));
    store->upsert(makeItem(hexID('n'), 500, std::nullopt, "kept"));
    store->upsert(makeItem(hexID('h'), 10, std::nullopt, "kept"));
    store->hide(hexID('h'));  // hidden at 1000: stays
    store->upsert(Session{.id = "gone", .startedAt = 0, .lastActive = 10});
    store->upsert(Session{.id = "idle-but-recent", .startedAt = 0, .lastActive = 200});
    store->upsert(Session{.id = "kept", .startedAt = 0, .lastActive = 10});
    store->upsert(Prompt{"p-gone", "gone", 10, ""});
    store->upsert(Prompt{"p-kept", "kept", 10, ""});
    store->upsert(Prompt{"p-recent", "gone", 150, ""});
    store->deleteItems({"missing"});
    store->setTitleChecked("/old", 50);
    store->setTitleChecked("/new", 150);
    std::string transcript = dir.write("t.jsonl", "{}");
    store->setOffset(5, transcript);
    store->setOffset(6, dir / "vanished.jsonl");
    EXPECT_TRUE(store->flush());

    auto removed = store->purge(100);
    EXPECT_EQ(removed, std::vector<std::string>{hexID('o')});
    EXPECT_EQ(keysOf(store->items()), std::set<std::string>{hexID('n')});
    EXPECT_EQ(keysOf(store->hiddenItems()), std::set<std::string>{hexID('h')});
    EXPECT_EQ(keysOf(store->sessions()), (std::set<std::string>{"idle-but-recent", "kept"}));
    EXPECT_EQ(keysOf(store->prompts()), (std::set<std::string>{"p-kept", "p-recent"}));
    EXPECT_EQ(store->titleChecks(), (std::map<std::string, Date>{{"/new", 150}}));
    EXPECT_EQ(store->offsets(), (std::map<std::string, std::uint64_t>{{transcript, 5}}));
    queue.advance(5);
    EXPECT_FALSE(FileSystem::exists(oldCopy.path().value()));
    EXPECT_EQ(read(dir / "offsets.json").find("vanished"), std::string::npos);

    auto revision = store->revision();
    EXPECT_TRUE(store->purge(100).empty());
    EXPECT_EQ(store->revision(), revision);
    clock.setNow(5000);
    EXPECT_EQ(store->purge(2000).size(), 2u) << "hidden records go by the time they were hidden";
}

TEST_F(StoreTest, TrimVersionsKeepsTheNewestAndDropsUnusedFiles) {
    auto store = open();
    std::vector<ItemVersion> versions;
    for (int index = 0; index < 4; ++index) {
        versions.push_back({copy(*store, "v" + std::to_string(index)), double(index), {}, {}, {}});
    }
    ShelfItem item = makeItem(hexID('a'), 10, copy(*store, hexID('a')));
    item.versions = versions;
    store->upsert(item);
    ShelfItem other = makeItem(hexID('b'), 10, versions[0].fileURL);
    store->upsert(other);
    ShelfItem hidden = makeItem(hexID('h'), 10);
    hidden.versions = {versions[1], versions[2]};
    store->upsert(hidden);
    store->hide(hidden.id);

    store->trimVersions(1);
    EXPECT_EQ(store->items().at(hexID('a')).versions, std::vector<ItemVersion>{versions[3]});
    EXPECT_EQ(store->hiddenItems().at(hexID('h')).item.versions, std::vector<ItemVersion>{versions[2]});
    EXPECT_TRUE(store->flush());
    EXPECT_TRUE(FileSystem::exists(versions[0].fileURL.path().value())) << "still the current file of b";
    EXPECT_FALSE(FileSystem::exists(versions[1].fileURL.path().value()));
    EXPECT_TRUE(FileSystem::exists(versions[2].fileURL.path().value()));

    auto revision = store->revision();
    store->trimVersions(1);
    EXPECT_EQ(store->revision(), revision);
    store->trimVersions(0);
    EXPECT_TRUE(store->items().at(hexID('a')).versions.empty());

    // Dropped files go at once when nothing is unsaved, but only those no record uses.
    EXPECT_TRUE(store->flush());
    Url unused = copy(*store, "unused");
    store->dropFiles({versions[0], {unused, 1, {}, {}, {}}});
    EXPECT_TRUE(FileSystem::exists(versions[0].fileURL.path().value()));
    EXPECT_FALSE(FileSystem::exists(unused.path().value()));
}

TEST_F(StoreTest, UnsafeIdsAndExtensionsNeverBecomeFileNames) {
    auto store = open();
    // id, extension, the id itself is refused
    const std::tuple<std::string, std::string, bool> hostile[] = {
        {"../escape", "png", true},
        {"..", "png", true},
        {"a/b", "png", true},
        {"/abs", "png", true},
        {std::string("a\0b", 3), "png", true},
        {"", "png", true},
        {std::string(201, 'a'), "png", true},
        {".hidden", "png", true},
        {"a\nb", "png", true},
        {hexID('a'), "png/../../x", false},
        {hexID('a'), "", false},
        {hexID('a'), "p.ng", false},
        {hexID('a'), std::string(17, 'p'), false},
        {hexID('a'), std::string("pn\0g", 4), false},
    };
    for (const auto& [id, ext, badID] : hostile) {
        auto result = store->copyIn("bytes", id, ext);
        EXPECT_FALSE(result.url) << id << "." << ext;
        EXPECT_EQ(result.error, std::make_error_code(std::errc::invalid_argument)) << id;
        EXPECT_EQ(store->thumbURL(id).has_value(), !badID) << id;
    }
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path())) {
        if (entry.is_regular_file()) ++files;
    }
    EXPECT_EQ(files, 0u);

    EXPECT_TRUE(store->copyIn("bytes", "artifact:abc", "png").url);
    EXPECT_TRUE(store->copyIn("bytes", std::string(200, 'a') + "", "jpeg").url);
    EXPECT_EQ(store->thumbURL("artifact:abc")->path(), dir / "thumbs/artifact:abc.jpg");
}

TEST_F(StoreTest, AnIDBothShownAndHiddenLoadsHiddenWhateverTheKeyOrder) {
    ShelfItem both = makeItem(hexID('b'), 1);
    ShelfItem shown = makeItem(hexID('c'), 2);
    StoreIndex index;
    index.items = {both, shown};
    index.hiddenItems = {{both, 5}};
    std::string sorted = index.encode();
    // The same index with "items" written before "hiddenItems".
    auto tree = *JsonIO::parse(sorted);
    std::string itemsFirst = R"({"items":)" + JsonIO::dump(tree["items"]) + R"(,"hiddenItems":)" +
                             JsonIO::dump(tree["hiddenItems"]) + R"(,"sessions":[],"prompts":[]})";
    for (const std::string& text : {sorted, itemsFirst}) {
        Fixture fixture;
        fixture.dir.write("index.json", text);
        auto store = fixture.open();
        EXPECT_EQ(keysOf(store->items()), std::set<std::string>{shown.id});
        EXPECT_EQ(keysOf(store->hiddenItems()), std::set<std::string>{both.id});
    }
}

TEST_F(StoreTest, CopyingAFileKeepsNothingWhenItChangedSinceItWasDigested) {
    auto store = open();
    auto source =
        std::get<FileReader>(FileReader::open(dir.write("outside/clip.mp4", std::string(2'000'000, 'v'))));
    std::string digest = Crypto::sha256Hex(std::string(2'000'000, 'v'));

    auto changed = store->copyInFile(source, Crypto::sha256Hex("what it was before"), hexID('a'), "mp4");
    EXPECT_EQ(changed.error, std::make_error_code(std::errc::resource_unavailable_try_again));
    EXPECT_TRUE(FileSystem::list(dir / "items").value().empty());

    auto copied = store->copyInFile(source, digest, hexID('b'), "mp4");
    ASSERT_TRUE(copied.url) << copied.error.message();
    EXPECT_EQ(Crypto::sha256HexOfFile(copied.url->path().value()), digest);
    auto other = std::get<FileReader>(FileReader::open(dir.write("outside/other.mp4", "x")));
    EXPECT_EQ(store->copyInFile(other, digest, hexID('b'), "mp4").url, copied.url);
    EXPECT_EQ(store->copyInFile(source, digest, "../escape", "mp4").error,
              std::make_error_code(std::errc::invalid_argument));
}

TEST_F(StoreTest, RemovalNeverDeletesOutsideTheItemsAndThumbsFolders) {
    std::string outside = dir.write("precious.txt", "keep me");
    std::string sibling = dir.write("items-other/x.png", "keep me too");
    ShelfItem item = makeItem("../precious", 1, Url::fromPath(outside));
    item.versions = {ItemVersion{Url::fromPath(dir / "items/../items-other/x.png"), 0, {}, {}, {}}};
    ShelfItem sneaky = makeItem(hexID('a'), 1, Url::fromPath(dir / "items/%2e%2e/precious.txt"));
    StoreIndex index;
    index.items = {item, sneaky};
    dir.write("index.json", index.encode());
    dir.write("precious.jpg", "a thumbnail name outside thumbs/");

    auto store = open();
    ASSERT_EQ(store->items().size(), 2u);
    EXPECT_EQ(store->deleteItems({item.id, sneaky.id}), 2);
    EXPECT_TRUE(store->flush());
    EXPECT_EQ(read(outside), "keep me");
    EXPECT_EQ(read(sibling), "keep me too");
    EXPECT_TRUE(FileSystem::exists(dir / "precious.jpg"));
}

TEST_F(StoreTest, TheSweepDeletesOldFilesThatNoRecordUses) {
    {
        auto store = open();
        Url shown = copy(*store, hexID('a'));
        Url hiddenCopy = copy(*store, hexID('h'));
        store->upsert(makeItem(hexID('a'), 1, shown));
        store->upsert(makeItem(hexID('h'), 1, hiddenCopy));
        store->hide(hexID('h'));
        EXPECT_TRUE(store->flush());
    }
    // file, age in seconds, kept
    const std::tuple<std::string, double, bool> files[] = {
        {"items/" + hexID('a') + ".png", 3600, true},
        {"items/" + hexID('h') + ".png", 3600, true},
        {"items/" + hexID('o') + ".png", 3600, false},
        {"items/" + hexID('y') + ".png", 10, true},
        {"items/" + hexID('o') + ".png.tmp-Ab12Cd", 120, false},
        {"thumbs/" + hexID('a') + ".jpg", 3600, true},
        {"thumbs/" + hexID('h') + ".jpg", 3600, true},
        {"thumbs/" + hexID('o') + ".jpg", 3600, false},
        {"thumbs/" + hexID('y') + ".jpg", 5, true},
        {"index.json.tmp-XyZ123", 120, false},
        {"offsets.json.tmp-XyZ123", 120, false},
        {"preferences-note.txt", 3600, true},
    };
    const auto now = static_cast<double>(std::time(nullptr));
    for (const auto& [name, age, kept] : files) {
        if (!FileSystem::exists(dir / name)) dir.write(name, "x");
        testing::setModified(dir / name, now - age);
    }
    clock.setNow(dateFromUnix(now));
    auto store = open();
    store->sweepOrphans();
    for (const auto& [name, age, kept] : files) EXPECT_EQ(FileSystem::exists(dir / name), kept) << name;
    EXPECT_EQ(store->items().size(), 1u);
}

}  // namespace
}  // namespace brimly
