#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/config/ClaudeFolder.h"
#include "core/platform/FileSystem.h"
#include "core/testsupport/TempDir.h"

namespace brimly {
namespace {

std::string describe(const ClaudeFolder::Choice& choice) {
    if (const auto* home = std::get_if<ClaudeFolder::Home>(&choice))
        return "home " + home->url.path().value();
    return "notClaude";
}

TEST(ClaudeFolder, ResolvesAHomeOrItsProjectsFolder) {
    testing::TempDir dir;
    std::string home = dir.makeDir("my claude");
    dir.write("my claude/projects/-home-u-proj/3f2a.jsonl", "{}\n");
    std::string projects = home + "/projects";
    EXPECT_EQ(describe(ClaudeFolder::resolve(Url::fromPath(home))), "home " + home);
    EXPECT_EQ(describe(ClaudeFolder::resolve(Url::fromPath(projects))), "home " + home);
    EXPECT_EQ(describe(ClaudeFolder::resolve(Url::fromPath(projects + "/"))), "home " + home);
}

TEST(ClaudeFolder, WhatDoesNotLookLikeClaude) {
    testing::TempDir dir;
    std::string empty = dir.makeDir("empty");
    std::string emptyProjects = dir.makeDir("a/projects");
    dir.write("b/projects/.DS_Store", "x");
    dir.makeDir("c/projects/.hidden");
    dir.write("d/projects", "a file, not a folder");
    dir.write("e/projects/.cache/notes.txt", "x");
    for (const std::string& folder :
         {empty, dir / "a", emptyProjects, dir / "b", dir / "c", dir / "d", dir / "e", dir / "missing"}) {
        EXPECT_EQ(describe(ClaudeFolder::resolve(Url::fromPath(folder))), "notClaude") << folder;
    }
    EXPECT_EQ(describe(ClaudeFolder::resolve(*Url::parse("https://example.com/projects"))), "notClaude");

    // A hidden project folder still counts when it holds a transcript.
    dir.write("f/projects/.p/s.jsonl", "");
    EXPECT_EQ(describe(ClaudeFolder::resolve(Url::fromPath(dir / "f"))), "home " + dir / "f");
}

TEST(ClaudeFolder, ScratchRootNeedsTrustAndAScratchpad) {
    testing::TempDir dir;
    std::string root = dir.makeDir("claude-1000");
    ASSERT_EQ(::chmod(root.c_str(), 0700), 0);
    EXPECT_FALSE(ClaudeFolder::isScratchRoot(Url::fromPath(root)));
    dir.makeDir("claude-1000/-home-u-proj/3f2a/other");
    dir.makeDir("claude-1000/-home-u-proj/scratchpad");
    EXPECT_FALSE(ClaudeFolder::isScratchRoot(Url::fromPath(root)));
    dir.makeDir("claude-1000/-home-u-proj/3f2a/scratchpad");
    EXPECT_TRUE(ClaudeFolder::isScratchRoot(Url::fromPath(root)));
    EXPECT_TRUE(ClaudeFolder::isScratchRoot(Url::fromPath(root + "/./")));

    // A link to the same folder is refused, also when written so that only resolving it would show the link.
    std::string link = dir / "link";
    ASSERT_EQ(::symlink(root.c_str(), link.c_str()), 0);
    EXPECT_FALSE(ClaudeFolder::isScratchRoot(Url::fromPath(link)));
    EXPECT_FALSE(ClaudeFolder::isScratchRoot(Url::fromPath(link + "/.")));
    EXPECT_FALSE(ClaudeFolder::isTrustedRoot(link + "/x/.."));

    for (mode_t mode : {0777u, 0720u, 0702u}) {
        ASSERT_EQ(::chmod(root.c_str(), mode), 0);
        EXPECT_FALSE(ClaudeFolder::isScratchRoot(Url::fromPath(root))) << std::oct << mode;
    }
    ASSERT_EQ(::chmod(root.c_str(), 0755), 0);
    EXPECT_TRUE(ClaudeFolder::isScratchRoot(Url::fromPath(root)));
    EXPECT_FALSE(ClaudeFolder::isTrustedRoot("relative/root"));
}

TEST(ClaudeFolder, ScratchRootOfAnotherOwnerIsNeverAccepted) {
    if (FileSystem::userID() != 0) {
        // Without root no folder can be given away; a system folder owned by root stands in.
        EXPECT_FALSE(ClaudeFolder::isTrustedRoot("/usr"));
        GTEST_SKIP() << "giving a folder to another owner needs root";
    }
    testing::TempDir dir;
    std::string root = dir.makeDir("claude-1000");
    dir.makeDir("claude-1000/slug/session/scratchpad");
    ASSERT_EQ(::chmod(root.c_str(), 0700), 0);
    ASSERT_TRUE(ClaudeFolder::isScratchRoot(Url::fromPath(root)));
    ASSERT_EQ(::chown(root.c_str(), 65534, 65534), 0);
    EXPECT_FALSE(ClaudeFolder::isScratchRoot(Url::fromPath(root)));
}

}  // namespace
}  // namespace brimly
