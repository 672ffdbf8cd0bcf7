#include <gtest/gtest.h>

#include "core/store/StoreIndex.h"
#include "core/testsupport/TempDir.h"

namespace brimly {
namespace {

using testing::TempDir;

// What a plain parse of the whole text and the records' own decoders make of an index: the reader's
// reference, for the four lists and for whether the text is readable at all.
struct Lists {
    std::vector<ShelfItem> items;
    std::vector<Session> sessions;
    std::vector<Prompt> prompts;
    std::vector<HiddenRecord> hiddenItems;
    bool operator==(const Lists&) const = default;
};

template <typename T>
void keepAll(std::vector<T>& list, const Json* array) {
    if (array == nullptr) return;
    for (const Json& element : *array) {
        if (auto value = T::fromJson(element)) list.push_back(std::move(*value));
    }
}

std::optional<Lists> reference(std::string_view text) {
    auto parsed = JsonIO::parse(text);
    if (!parsed || !parsed->is_object()) return std::nullopt;
    StoreIndex small;
    if (!StoreIndex::readSmallFields(*parsed, small)) return std::nullopt;
    Lists lists;
    keepAll(lists.items, JsonIO::array(*parsed, "items"));
    keepAll(lists.sessions, JsonIO::array(*parsed, "sessions"));
    keepAll(lists.prompts, JsonIO::array(*parsed, "prompts"));
    keepAll(lists.hiddenItems, JsonIO::array(*parsed, "hiddenItems"));
    return lists;
}

// Reads `text` from a file, as the store does, and as text, which must agree.
std::optional<Lists> read(const TempDir& dir, std::string_view text) {
    std::vector<ShelfItem> items;
    auto fromFile = StoreIndex::decodeFile(dir.write("index.json", text),
                                           [&items](ShelfItem&& item) { items.push_back(std::move(item)); });
    if (fromFile) fromFile->items = std::move(items);
    EXPECT_EQ(fromFile, StoreIndex::decode(text)) << text;
    if (!fromFile) return std::nullopt;
    return Lists{fromFile->items, fromFile->sessions, fromFile->prompts, fromFile->hiddenItems};
}

constexpr const char* item =
    R"({"id":"b","kind":"image","title":"t","sessionID":"s","sourceKinds":[],"createdAt":1})";

// Every rule of the decoder, through the fast reader's own tree: numbers of each kind, escapes in keys and
// values, nulls, repeated keys (the last counts), values nested in keys nobody reads, and whole-file faults.
TEST(StoreIndexDecodeTest, ReadsWhatTheTextDecoderReads) {
    const std::string cases[] = {
        R"({"items":[{"id":"a","title":"t","sessionID":"s","sourceKinds":["chrome"],"createdAt":1},)" +
            std::string(item) +
            R"(],"sessions":[{"id":"s"}],"prompts":[7],"hidden":[1,"x"],)"
            R"("deleted":{"a":"soon","b":3},"version":99,"lastRunAt":"yesterday"})",
        R"({"items":[{"\u0069d":"caf\u00e9 \"q\"\n","kind":"pdf","title":"t","sessionID":"folder:file:///x%FF",)"
        R"("sourceKinds":["folder","folder"],"createdAt":-0,"seenAt":null,"width":4.0,"height":2147483647,)"
        R"("promptID":null,"extra":{"deep":[[[{"x":[true,false,null,1e2]}]]]},"versions":[]}],)"
        R"("sessions":[],"prompts":[],"version":2.0,"lastRunAt":1.5e9})",
        R"({"items":[{"id":"a","id":"z","kind":"image","title":"t","sessionID":"s","sourceKinds":[],)"
        R"("createdAt":18446744073709551616},{"id":"w","kind":"image","title":"t","sessionID":"s",)"
        R"("sourceKinds":[],"createdAt":1,"width":9223372036854775808}],"sessions":[],"prompts":[]})",
        R"({"items":[{"id":"a","kind":"image","title":"t","sessionID":"s","sourceKinds":[],"createdAt":1,)"
        R"("width":-2147483648,"height":-2147483649,"versions":[{"fileURL":"file:///v","createdAt":2,)"
        R"("width":1}]}],"sessions":[],"prompts":[]})",
        R"({"items":[{"id":"a","kind":"image","title":null,"sessionID":"s","sourceKinds":[],"createdAt":1},)"
        R"({"id":"c","kind":"image","title":"t","sessionID":"s","sourceKinds":[],"createdAt":1,)"
        R"("fileURL":"no scheme"}],"sessions":[],"prompts":[]})",
        R"({"hiddenItems":[{"item":)" + std::string(item) +
            R"(,"hiddenAt":4},{"item":7,"hiddenAt":1}],)"
            R"("items":[],"sessions":[{"id":"s","startedAt":1,"lastActive":2,"cwd":"/p","aiTitle":"A",)"
            R"("firstPromptAt":3}],"prompts":[{"id":"p","sessionID":"s","at":1,"text":"t"}],)"
            R"("titleChecks":{"/t":1,"/u":"x"},"deletedPaths":[1]})",
        R"({"items":[],"items":5,"sessions":[],"prompts":[]})",
        R"({"items":{},"sessions":[],"prompts":[]})",
        R"({"items":[],"sessions":[]})",
        R"([1,2])",
        R"({"items":[)",
        R"({"items":[],"sessions":[],"prompts":[]} {})",
        R"({"items":[],"sessions":[],"prompts":[],"x":1e400})",
        R"({"items":[],"sessions":[],"prompts":[],"x":tru})",
        "{\"items\":[],\"sessions\":[],\"prompts\":[],\"x\":\"\xff\"}",
        " \n{\"items\":[],\"sessions\":[],\"prompts\":[]}\n ",
        "",
    };
    TempDir dir;
    for (const std::string& text : cases) EXPECT_EQ(read(dir, text), reference(text)) << text;
    auto duplicated = read(dir, cases[2]);
    ASSERT_TRUE(duplicated && duplicated->items.size() == 1);
    EXPECT_EQ(duplicated->items[0].id, "z");
    // Unlike a plain parse, which keeps only the last, the reader hands over the elements of every "items".
    auto twice =
        read(dir, R"({"items":[)" + std::string(item) + R"(],"items":[],"sessions":[],"prompts":[]})");
    EXPECT_EQ(twice ? twice->items.size() : 0, 1u);
    EXPECT_FALSE(StoreIndex::decodeFile(dir / "missing.json", [](ShelfItem&&) {}));
}

// A file cut short or with a byte gone wrong anywhere: the reader agrees with the reference on whether it is
// readable at all and, when it is, on everything in it.
TEST(StoreIndexDecodeTest, AgreesOnEveryTruncationAndDamagedByte) {
    StoreIndex index;
    ShelfItem shot{.id = "a",
                   .kind = ShelfItemKind::image,
                   .fileURL = Url::fromPath("/s/items/a b.png"),
                   .title = "shot \"1\"",
                   .sessionID = "s",
                   .promptID = "p1"};
    shot.sourceKinds = {Source::scratchpad, Source::transcript};
    shot.width = 1920;
    shot.versions.push_back({Url::fromPath("/s/items/v.png"), 799'998'000.25, std::nullopt, 10, 20});
    index.items = {shot};
    index.sessions = {Session{.id = "s", .slug = "proj", .startedAt = 1, .lastActive = 2}};
    index.prompts = {{"p1", "s", 3, "draw \xC3\xA9"}};
    index.hiddenItems = {{ShelfItem{.id = "h", .title = "t", .sessionID = "s"}, 4}};
    index.deleted = {{"d", 1}};
    index.lastRunAt = 5;
    const std::string text = index.encode();
    TempDir dir;
    ASSERT_EQ(StoreIndex::decode(text), index);
    for (std::size_t at = 0; at < text.size(); ++at) {
        EXPECT_FALSE(read(dir, text.substr(0, at))) << at;
        for (char replacement : {'"', '1', '}'}) {
            std::string damaged = text;
            damaged[at] = replacement;
            ASSERT_EQ(read(dir, damaged), reference(damaged)) << damaged;
        }
    }
}

// The file is read a block at a time: a block may end anywhere in an element, inside a string or an escape.
// Shifting a text a little over one block by a byte at a time moves that end through a whole element.
TEST(StoreIndexDecodeTest, ReadsElementsAcrossTheEndsOfBlocks) {
    StoreIndex index;
    constexpr std::size_t count = 360;
    for (std::size_t n = 0; n < count; ++n) {
        ShelfItem shot{.id = "item-" + std::to_string(n),
                       .kind = ShelfItemKind::image,
                       .fileURL = Url::fromPath("/s/items/" + std::to_string(n) + " é.png"),
                       .title = "a \"quoted\" \\ title\n\t\u0001 " + std::string(n % 17, 'x'),
                       .sessionID = "s"};
        shot.sourceKinds = {Source::transcript};
        index.items.push_back(std::move(shot));
    }
    const std::string text = index.encode();
    ASSERT_GT(text.size(), 64u * 1024u);
    ASSERT_LT(text.size(), 80u * 1024u);
    auto expected = reference(text);
    ASSERT_TRUE(expected);
    ASSERT_EQ(expected->items.size(), count);
    TempDir dir;
    const std::size_t elementLength = text.size() / count + 20;
    for (std::size_t shift = 0; shift < elementLength; ++shift) {
        ASSERT_EQ(read(dir, std::string(shift, ' ') + text), expected) << shift;
    }
}

}  // namespace
}  // namespace brimly
