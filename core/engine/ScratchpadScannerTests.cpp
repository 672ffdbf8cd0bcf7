#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/engine/EngineTestSupport.h"
#include "core/engine/ScratchpadScanner.h"
#include "core/platform/FileSystem.h"

namespace brimly {
namespace {

using testing::setModified;

using testing::TempDir;

std::vector<std::string> paths(const std::vector<ScratchFile>& files) {
    std::vector<std::string> result;
    for (const auto& file : files) result.push_back(*file.url.path());
    std::sort(result.begin(), result.end());
    return result;
}

// A trusted root of the current user with two sessions' scratchpads.
struct ScratchRoot {
    ScratchRoot() {
        root = dir.makeDir("claude-0");
        ::chmod(root.c_str(), 0700);
        shot = dir.write("claude-0/-home-a-proj/s1/scratchpad/shot.png", "png!");
        page = dir.write("claude-0/-home-a-proj/s2/scratchpad/page.html", "<p>");
        notes = dir.write("claude-0/-home-a-proj/s2/scratchpad/notes.md", "# notes");
        loose = dir.write("claude-0/-home-a-proj/s1/loose.png", "x");
        dir.write("claude-0/-home-a-proj/s1/scratchpad/data.unknownext", "x");
        dir.makeDir("claude-0/-home-a-proj/s1/scratchpad/nested.png");
    }
    ScratchpadScanner scanner(std::set<std::string> extra = {}) const {
        return ScratchpadScanner(Url::fromPath(root), std::move(extra));
    }
    TempDir dir;
    std::string root, shot, page, notes, loose;
};

TEST(ScratchpadScannerTest, DefaultRootIsTheOverrideOrThePerUserTemporaryFolder) {
    EXPECT_EQ(ScratchpadScanner::defaultRoot({{"BRIMLY_SCRATCH_ROOT", " /srv/scratch "}}).path(),
              "/srv/scratch");
    EXPECT_EQ(ScratchpadScanner::defaultRoot({}).path(),
              "/tmp/claude-" + std::to_string(FileSystem::userID()));
}

TEST(ScratchpadScannerTest, FindsCandidateFilesInEveryScratchpadOnlyAndFollowsNoLinks) {
    ScratchRoot fixture;
    std::string secret = fixture.dir.write("elsewhere/secret.png", "x");
    ASSERT_EQ(::symlink(secret.c_str(), (fixture.root + "/-home-a-proj/s1/scratchpad/link.png").c_str()), 0);
    EXPECT_TRUE(fixture.scanner().rootIsTrusted());
    EXPECT_EQ(paths(fixture.scanner().files()), (std::vector<std::string>{fixture.shot, fixture.page}));
    // An extra extension makes notes a candidate; a file beside the scratchpad never is.
    EXPECT_EQ(paths(fixture.scanner({"md"}).files()),
              (std::vector<std::string>{fixture.shot, fixture.notes, fixture.page}));
}

TEST(ScratchpadScannerTest, AScratchFileCarriesItsSessionSlugSizeAndDates) {
    ScratchRoot fixture;
    setModified(fixture.shot, 1700000000);
    auto files = fixture.scanner().files(fixture.root + "/-home-a-proj/s1/scratchpad");
    ASSERT_EQ(files.size(), 1u);
    const ScratchFile& file = files[0];
    EXPECT_EQ(file.url, Url::fromPath(fixture.shot));
    EXPECT_EQ(file.slug, "-home-a-proj");
    EXPECT_EQ(file.sessionID, "s1");
    EXPECT_EQ(file.size, 4);
    EXPECT_DOUBLE_EQ(file.modified, dateFromUnix(1700000000));
    EXPECT_DOUBLE_EQ(file.created, FileSystem::info(fixture.shot)->createdAt);
    EXPECT_TRUE(fixture.scanner().files(fixture.root + "/-home-a-proj/s9/scratchpad").empty());
}

TEST(ScratchpadScannerTest, FilesAreNewestFirstByCreation) {
    ScratchRoot fixture;
    for (int index = 0; index < 6; ++index) {
        fixture.dir.write(
            "claude-0/p" + std::to_string(index % 2) + "/s/scratchpad/" + std::to_string(index) + ".png",
            "x");
    }
    auto files = fixture.scanner().files();
    ASSERT_EQ(files.size(), 8u);
    for (std::size_t index = 1; index < files.size(); ++index) {
        EXPECT_GE(files[index - 1].created, files[index].created);
        if (files[index - 1].created == files[index].created) {
            EXPECT_LT(files[index - 1].url.string(), files[index].url.string());
        }
    }
}

TEST(ScratchpadScannerTest, ARootReachedThroughALinkedParentKnowsTheRealPathsEventsName) {
    ScratchRoot fixture;
    std::string link = fixture.dir / "link";
    ASSERT_EQ(::symlink(fixture.dir.path().c_str(), link.c_str()), 0);
    ScratchpadScanner scanner(Url::fromPath(link + "/claude-0"), {});
    EXPECT_TRUE(scanner.rootIsTrusted());
    std::string real = FileSystem::canonicalPath(fixture.root);
    auto found = scanner.scratchpad(real + "/-home-a-proj/s1/scratchpad/added.png");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->path(), real + "/-home-a-proj/s1/scratchpad");
    EXPECT_EQ(paths(scanner.files()), (std::vector<std::string>{FileSystem::canonicalPath(fixture.shot),
                                                                FileSystem::canonicalPath(fixture.page)}));
}

TEST(ScratchpadScannerTest, UntrustedRootsGiveNoFilesAndNoScratchpads) {
    struct Case {
        const char* name;
        std::function<std::string(ScratchRoot&)> make;
    };
    auto withMode = [](mode_t mode) {
        return [mode](ScratchRoot& f) { return ::chmod(f.root.c_str(), mode) == 0 ? f.root : ""; };
    };
    auto linked = [](ScratchRoot& f) {
        return ::symlink(f.root.c_str(), (f.dir / "link").c_str()) == 0 ? f.dir / "link" : "";
    };
    std::vector<Case> cases{
        {"world-writable", withMode(0777)},
        {"group-writable", withMode(0770)},
        {"symbolic link", linked},
        {"missing", [](ScratchRoot& f) { return f.dir / "absent"; }},
        {"a file", [](ScratchRoot& f) { return f.shot; }},
    };
    if (FileSystem::userID() == 0) {
        cases.push_back({"another owner", [](ScratchRoot& f) {
                             EXPECT_EQ(::chown(f.root.c_str(), 65534, 65534), 0);
                             return f.root;
                         }});
    }
    for (const Case& c : cases) {
        ScratchRoot fixture;
        std::string root = c.make(fixture);
        ASSERT_FALSE(root.empty()) << c.name;
        ScratchpadScanner scanner(Url::fromPath(root), {"md"});
        EXPECT_FALSE(scanner.rootIsTrusted()) << c.name;
        EXPECT_TRUE(scanner.files().empty()) << c.name;
        EXPECT_FALSE(scanner.scratchpad(root + "/-home-a-proj/s1/scratchpad/shot.png")) << c.name;
    }
}

TEST(ScratchpadScannerTest, ScratchpadContainingAPath) {
    ScratchRoot fixture;
    auto scanner = fixture.scanner();
    const std::string& r = fixture.root;
    struct Case {
        std::string path;
        std::optional<std::string> scratchpad;
    };
    std::vector<Case> cases{
        {r + "/slug/session/scratchpad/a/b.png", r + "/slug/session/scratchpad"},
        {r + "/slug/session/scratchpad/b.png", r + "/slug/session/scratchpad"},
        {r + "/slug/session/scratchpad", r + "/slug/session/scratchpad"},
        {r + "/slug/session/other/b.png", std::nullopt},
        {r + "/slug/session", std::nullopt},
        {r + "/slug/session/scratchpadx/b.png", std::nullopt},
        {r + "x/slug/session/scratchpad/b.png", std::nullopt},
        {r, std::nullopt},
        {"/elsewhere/slug/session/scratchpad/b.png", std::nullopt},
        // Pieces that would lead out of the root are refused.
        {r + "/../x/scratchpad/b.png", std::nullopt},
        {r + "//x/scratchpad/b.png", std::nullopt},
        {r + "/./x/scratchpad/b.png", std::nullopt},
    };
    for (const Case& c : cases) {
        auto found = scanner.scratchpad(c.path);
        std::optional<std::string> path;
        if (found) path = found->path();
        EXPECT_EQ(path, c.scratchpad) << c.path;
    }
    // A root given with a trailing slash or a "." piece means the same folder.
    ScratchpadScanner untidy(Url::fromPath(r + "/./"), {});
    EXPECT_TRUE(untidy.rootIsTrusted());
    EXPECT_EQ(untidy.scratchpad(r + "/s/t/scratchpad/x.png")->path(), r + "/s/t/scratchpad");
}

}  // namespace
}  // namespace brimly
