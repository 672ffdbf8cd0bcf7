#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/engine/EngineTestSupport.h"
#include "core/engine/FolderActivity.h"
#include "core/engine/WatchedFolder.h"
#include "core/platform/FileSystem.h"

namespace brimly {
namespace {

using testing::setModified;

TEST(WatchedFolderTest, PathInsideARoot) {
    struct Case {
        const char* path;
        const char* root;
        bool inside;
    };
    std::vector<Case> cases{
        {"/Users/a/Work/x.png", "/Users/a/Work", true},
        {"/Users/a/Work/x.png", "/Users/a/Work/", true},
        {"/Users/a/Work", "/Users/a/Work", true},
        {"/Users/a/Work", "/Users/a/Work/", true},
        {"/Users/a/Workshop/x.png", "/Users/a/Work", false},
        {"/Users/a/Wor", "/Users/a/Work", false},
        {"/Users/a/x.png", "/Users/a/Work", false},
        {"/x.png", "/", false},
        {"/x.png", "", false},
        {"a/x", "a", false},
        {"/a/x", "/a", true},
        {"/a//x", "/a/", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FileSystem::isPathInside(c.path, c.root), c.inside) << c.path << " in " << c.root;
}

TEST(WatchedFolderTest, TheLongestContainingRootWins) {
    std::vector<std::string> roots{"/Users/a/Work", "/Users/a/Work/site", "/", "/Users/a/Work/"};
    struct Case {
        const char* path;
        std::optional<std::string> root;
    };
    std::vector<Case> cases{
        {"/Users/a/Work/site/img/x.png", "/Users/a/Work/site"},
        // "/Users/a/Work/" is longer than "/Users/a/Work" in characters.
        {"/Users/a/Work/other/x.png", "/Users/a/Work/"},
        {"/Users/a/Workshop/x.png", std::nullopt},
        {"/tmp/x.png", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(WatchedFolder::root(c.path, roots), c.root) << c.path;
    EXPECT_EQ(WatchedFolder::root("/w/b/x", {"/w/b", "/w/c", "/w/b"}), "/w/b");
    EXPECT_EQ(WatchedFolder::root("/w/x", {}), std::nullopt);
}

TEST(WatchedFolderTest, OwnFilesAndHiddenFoldersAreNeverWatchedFiles) {
    std::vector<std::string> roots{"/home/a", "/w/"};
    const std::string support = "/home/a/.local/share/brimly";
    struct Case {
        const char* path;
        bool admitted;
    };
    // clang-format off
    std::vector<Case> cases{
        {"/home/a/shot.png",                                true},
        {"/home/a/Pictures/shot.png",                       true},
        {"/home/a/.local/share/brimly/thumbs/abc.jpg",      false},
        {"/home/a/.cache/x/shot.png",                       false},
        {"/home/a/Pictures/.trash/shot.png",                false},
        {"/home/a/Pictures/a.b/shot.png",                   true},
        {"/w/.git/objects/x.png",                           false},
        {"/w/site/shot.png",                                true},
        {"/elsewhere/shot.png",                             false},
    };
    // clang-format on
    for (const Case& c : cases)
        EXPECT_EQ(WatchedFolder::admits(c.path, roots, support), c.admitted) << c.path;
    // A support folder that is not hidden is left out all the same.
    EXPECT_FALSE(WatchedFolder::admits("/home/a/brimly/items/x.png", roots, "/home/a/brimly"));
    // A watched hidden folder is the user's choice; only the folders below it count.
    EXPECT_TRUE(WatchedFolder::admits("/home/a/.shots/x.png", {"/home/a/.shots"}, support));
}

TEST(FolderActivityTest, NewestTimeWithinDepthSkippingHiddenEntries) {
    testing::TempDir dir;
    std::string root = dir.makeDir("watched");
    std::string shallow = dir.write("watched/a.png", "x");
    std::string deep = dir.write("watched/l1/l2/l3/l4/l5.png", "x");
    std::string hidden = dir.write("watched/.cache/x", "x");
    std::string hiddenFile = dir.write("watched/.newest", "x");
    // Children change their folders' times, so the folders are set last, deepest first.
    setModified(deep, 5000);
    setModified(shallow, 1000);
    setModified(hidden, 9000);
    setModified(hiddenFile, 9000);
    for (const char* folder :
         {"watched/l1/l2/l3/l4", "watched/l1/l2/l3", "watched/l1/l2", "watched/l1", "watched/.cache"}) {
        setModified(dir / folder, 2000);
    }
    setModified(dir / "watched/l1/l2/l3/l4", 3000);
    // Depth 4 counts l4 (level 4) but does not enter it.
    EXPECT_EQ(FolderActivity::newest(root, 4, 5000), dateFromUnix(3000));
    EXPECT_EQ(FolderActivity::newest(root, 5, 5000), dateFromUnix(5000));
    EXPECT_EQ(FolderActivity::newest(root, 1, 5000), dateFromUnix(2000));
}

TEST(FolderActivityTest, StopsAfterTheLimitAndAnswersNothingWithoutEntries) {
    testing::TempDir dir;
    std::string root = dir.makeDir("watched");
    std::string folder = dir.write("watched/only/x.png", "x");
    setModified(folder, 7000);
    setModified(dir / "watched/only", 100);
    EXPECT_EQ(FolderActivity::newest(root, 4, 1), dateFromUnix(100));
    EXPECT_EQ(FolderActivity::newest(root, 4, 2), dateFromUnix(7000));
    EXPECT_EQ(FolderActivity::newest(root, 4, 0), std::nullopt);
    EXPECT_EQ(FolderActivity::newest(dir.makeDir("empty"), 4, 5000), std::nullopt);
    EXPECT_EQ(FolderActivity::newest(dir / "missing", 4, 5000), std::nullopt);
    dir.write("hiddenonly/.x", "x");
    EXPECT_EQ(FolderActivity::newest(dir / "hiddenonly", 4, 5000), std::nullopt);
}

}  // namespace
}  // namespace brimly
