#include <gtest/gtest.h>
#include <sys/inotify.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/engine/InotifyDecoder.h"
#include "core/engine/WatchEvent.h"
#include "core/engine/WatchHub.h"
#include "core/engine/WatchTree.h"
#include "core/testsupport/TempDir.h"

namespace brimly {
namespace {

using Kind = InotifyChange::Kind;

std::vector<std::byte> buffer(const std::vector<InotifyRecord>& records) {
    std::vector<std::byte> bytes;
    for (const InotifyRecord& record : records) {
        auto one = InotifyDecoder::encode(record);
        bytes.insert(bytes.end(), one.begin(), one.end());
    }
    return bytes;
}

std::vector<InotifyChange> decode(const std::vector<std::byte>& bytes) {
    std::map<int, std::string> table{{1, "/w/root"}, {2, "/w/root/slug"}, {3, "/"}};
    return InotifyDecoder::decode(bytes, [&](int wd) -> std::optional<std::string> {
        auto found = table.find(wd);
        if (found == table.end()) return std::nullopt;
        return found->second;
    });
}

TEST(InotifyDecoderTest, SplitsRecordsWithPaddedNamesAndDropsATruncatedTail) {
    std::vector<InotifyRecord> records{{1, IN_CREATE, 0, "a.png"},
                                       {2, IN_MODIFY, 0, std::string(15, 'n')},
                                       {2, IN_MODIFY, 0, std::string(16, 'm')},
                                       {1, IN_DELETE_SELF, 0, ""},
                                       {1, IN_IGNORED, 0, ""}};
    auto bytes = buffer(records);
    EXPECT_EQ(InotifyDecoder::split(bytes), records);
    // A buffer cut inside the last record's name, and one cut inside a header.
    auto cut = buffer({records[0], records[1]});
    cut.resize(cut.size() - 3);
    EXPECT_EQ(InotifyDecoder::split(cut), std::vector<InotifyRecord>{records[0]});
    auto header = buffer({records[0]});
    header.resize(5);
    EXPECT_TRUE(InotifyDecoder::split(header).empty());
    EXPECT_TRUE(InotifyDecoder::split({}).empty());
}

TEST(InotifyDecoderTest, TurnsMasksIntoTheWatcherFlags) {
    struct Case {
        std::uint32_t mask;
        std::uint32_t flags;
    };
    std::vector<Case> cases{
        {IN_CREATE, WatchEvent::itemCreated | WatchEvent::itemIsFile},
        {IN_CREATE | IN_ISDIR, WatchEvent::itemCreated | WatchEvent::itemIsDir},
        {IN_DELETE, WatchEvent::itemRemoved | WatchEvent::itemIsFile},
        {IN_MODIFY, WatchEvent::itemModified | WatchEvent::itemIsFile},
        {IN_CLOSE_WRITE, WatchEvent::itemModified | WatchEvent::itemIsFile},
        {IN_MOVED_FROM | IN_ISDIR, WatchEvent::itemRenamed | WatchEvent::itemIsDir},
        {IN_MOVED_TO, WatchEvent::itemRenamed | WatchEvent::itemIsFile},
        {IN_ATTRIB, WatchEvent::itemInodeMetaMod | WatchEvent::itemIsFile},
        {IN_Q_OVERFLOW, WatchEvent::kernelDropped},
        {IN_UNMOUNT, WatchEvent::unmount | WatchEvent::mustScanSubDirs | WatchEvent::itemIsFile},
        {IN_IGNORED, 0},
        {IN_OPEN, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(InotifyDecoder::flags(c.mask), c.flags) << std::hex << c.mask;
}

TEST(InotifyDecoderTest, AMovedInFolderNeedsAWatchAndAMovedOutOneIsGone) {
    auto changes = decode(buffer({{2, IN_MOVED_TO | IN_ISDIR, 7, "session"},
                                  {2, IN_MOVED_FROM | IN_ISDIR, 8, "old"},
                                  {2, IN_MOVED_TO, 9, "file.png"},
                                  {3, IN_CREATE | IN_ISDIR, 0, "tmp"}}));
    ASSERT_EQ(changes.size(), 4u);
    EXPECT_EQ(changes[0].path, "/w/root/slug/session");
    EXPECT_EQ(changes[0].cookie, 7u);
    EXPECT_EQ(changes[0].flags, WatchEvent::itemRenamed | WatchEvent::itemIsDir);
    EXPECT_TRUE(changes[0].isNewDirectory());
    EXPECT_FALSE(changes[0].isGoneDirectory());
    EXPECT_TRUE(changes[1].isGoneDirectory());
    EXPECT_FALSE(changes[2].isNewDirectory());
    EXPECT_FALSE(changes[2].isGoneDirectory());
    // The root folder "/" joins without doubling its slash.
    EXPECT_EQ(changes[3].path, "/tmp");
}

TEST(InotifyDecoderTest, ARemovedWatchIsForgottenAndItsLateEventsAreUnknown) {
    auto changes = decode(buffer({{2, IN_DELETE_SELF, 0, ""},
                                  {2, IN_IGNORED, 0, ""},
                                  {1, IN_DELETE | IN_ISDIR, 0, "slug"},
                                  {1, IN_MOVE_SELF, 0, ""},
                                  {42, IN_CREATE, 0, "late.png"}}));
    ASSERT_EQ(changes.size(), 5u);
    EXPECT_EQ(changes[0].kind, Kind::self);
    EXPECT_EQ(changes[0].path, "/w/root/slug");
    EXPECT_EQ(changes[0].flags, WatchEvent::itemRemoved | WatchEvent::itemIsDir);
    EXPECT_EQ(changes[1].kind, Kind::forgotten);
    EXPECT_EQ(changes[1].wd, 2);
    EXPECT_EQ(changes[2].kind, Kind::entry);
    EXPECT_TRUE(changes[2].isGoneDirectory());
    EXPECT_EQ(changes[3].kind, Kind::self);
    EXPECT_EQ(changes[4].kind, Kind::unknown);
    EXPECT_TRUE(changes[4].path.empty());
}

// The tree's reaction to a hand-made overflow, on the real shared instance: a rescan is asked for and the
// watches are rebuilt, including one for a folder made while events were being lost.
TEST(WatchTreeTest, OverflowAsksForARescanAndRebuildsTheWatches) {
    testing::TempDir dir;
    std::string root = dir.makeDir("root");
    dir.makeDir("root/a");
    auto hub = WatchHub::shared();
    WatchTree tree(*hub, root, {});
    std::vector<WatchEvent> out;
    auto client = hub->attach({&tree}, {}, out);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(tree.watchCount(), 2u);
    dir.makeDir("root/b/c");
    auto events = hub->dispatch({{-1, IN_Q_OVERFLOW, 0, ""}});
    EXPECT_EQ(events[client], (std::vector<WatchEvent>{{root, WatchEvent::kernelDropped}}));
    EXPECT_EQ(tree.watchCount(), 4u);
    hub->detach(client);
    EXPECT_EQ(tree.watchCount(), 0u);
}

TEST(WatchTreeTest, StaleAndForeignRecordsChangeNothing) {
    testing::TempDir dir;
    std::string root = dir.makeDir("root");
    auto hub = WatchHub::shared();
    WatchTree tree(*hub, root, {.depth = 1});
    std::vector<WatchEvent> out;
    auto client = hub->attach({&tree}, {}, out);
    EXPECT_TRUE(hub->dispatch({{999, IN_CREATE, 0, "x"}, {999, IN_IGNORED, 0, ""}}).empty());
    EXPECT_EQ(tree.watchCount(), 1u);
    hub->detach(client);
}

}  // namespace
}  // namespace brimly
