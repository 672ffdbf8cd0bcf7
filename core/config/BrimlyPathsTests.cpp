#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/config/BrimlyPaths.h"
#include "core/platform/FileSystem.h"
#include "core/testsupport/TempDir.h"

namespace brimly {
namespace {

std::string pathOf(const Url& url) { return url.path().value_or("<not a file url>"); }

const std::string defaultScratch = "/tmp/claude-" + std::to_string(::getuid());

TEST(BrimlyPaths, LinuxDefaultsWithoutOverrides) {
    Environment env = {{"HOME", "/home/t"}};
    BrimlyPaths paths = BrimlyPaths::resolve(env, std::nullopt, std::nullopt);
    EXPECT_EQ(pathOf(paths.claudeHome), "/home/t/.claude");
    EXPECT_EQ(pathOf(paths.projectsRoot()), "/home/t/.claude/projects");
    EXPECT_EQ(pathOf(paths.scratchRoot), defaultScratch);
    EXPECT_EQ(pathOf(paths.supportDir), "/home/t/.local/share/brimly");
    EXPECT_EQ(pathOf(paths.chromeRoot), "/tmp");
    EXPECT_TRUE(paths.claudeHome.isFile());

    env["XDG_DATA_HOME"] = "/x/data";
    env["TMPDIR"] = "/var/tmp/";
    paths = BrimlyPaths::resolve(env, "", " ");
    EXPECT_EQ(pathOf(paths.supportDir), "/x/data/brimly");
    EXPECT_EQ(pathOf(paths.chromeRoot), "/var/tmp");
    EXPECT_EQ(pathOf(paths.claudeHome), "/home/t/.claude");
    EXPECT_EQ(pathOf(paths.scratchRoot), defaultScratch);

    // A relative XDG_DATA_HOME is invalid by the base-directory rules and ignored.
    env["XDG_DATA_HOME"] = "data";
    EXPECT_EQ(pathOf(BrimlyPaths::resolve(env, std::nullopt, std::nullopt).supportDir),
              "/home/t/.local/share/brimly");
}

TEST(BrimlyPaths, EnvironmentBeatsPreferencesAndStandardIgnoresBoth) {
    Environment env = {{"HOME", "/home/t"},
                       {"BRIMLY_CLAUDE_HOME", "  /env/claude\t"},
                       {"BRIMLY_SCRATCH_ROOT", "/env/scratch"},
                       {"BRIMLY_SUPPORT_DIR", "/env/support dir/é"}};
    BrimlyPaths paths = BrimlyPaths::resolve(env, "/pref/claude", "/pref/scratch");
    EXPECT_EQ(pathOf(paths.claudeHome), "/env/claude");
    EXPECT_EQ(pathOf(paths.projectsRoot()), "/env/claude/projects");
    EXPECT_EQ(pathOf(paths.scratchRoot), "/env/scratch");
    EXPECT_EQ(pathOf(paths.supportDir), "/env/support dir/é");

    BrimlyPaths standard = BrimlyPaths::standard(env);
    EXPECT_EQ(standard, BrimlyPaths::resolve({{"HOME", "/home/t"}}, std::nullopt, std::nullopt));

    // Without the overrides the preferences count; blank overrides count as unset.
    Environment blank = {{"HOME", "/home/t"}, {"BRIMLY_CLAUDE_HOME", " "}, {"BRIMLY_SCRATCH_ROOT", ""}};
    paths = BrimlyPaths::resolve(blank, "~/claude-data/", "/pref/./scratch/../scratch2");
    EXPECT_EQ(pathOf(paths.claudeHome), "/home/t/claude-data");
    EXPECT_EQ(pathOf(paths.scratchRoot), "/pref/scratch2");
}

TEST(BrimlyPaths, DefaultScratchRootFollowsTheOverride) {
    EXPECT_EQ(BrimlyPaths::defaultScratchRoot({}), defaultScratch);
    EXPECT_EQ(BrimlyPaths::defaultScratchRoot({{"BRIMLY_SCRATCH_ROOT", " /s//r/ "}}), "/s/r");
    EXPECT_EQ(BrimlyPaths::defaultScratchRoot({{"BRIMLY_SCRATCH_ROOT", "\t"}}), defaultScratch);
    // A relative override is taken from the working folder rather than producing a relative file URL.
    std::string relative = BrimlyPaths::defaultScratchRoot({{"BRIMLY_SCRATCH_ROOT", "scratch"}});
    EXPECT_EQ(relative.front(), '/');
    EXPECT_EQ(FileSystem::lastComponent(relative), "scratch");
}

TEST(BrimlyPaths, StandardizedPathWorksOnTextOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {"/", "/"},
        {"//a//b/", "/a/b"},
        {"/a/./b/.", "/a/b"},
        {"/a/b/../c", "/a/c"},
        {"/../a", "/a"},
        {"/a/..", "/"},
        {"a/../../b", "../b"},
        {"", "."},
        {"/a/b/c/../../d", "/a/d"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(BrimlyPaths::standardizedPath(in), out) << in;
}

TEST(BrimlyPaths, CanonicalPathsResolveLinksAndKeepWhatDoesNotExist) {
    testing::TempDir dir;
    std::string real = dir.makeDir("real");
    std::string link = dir / "link";
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    std::string realCanonical = BrimlyPaths::canonicalPath(real);
    EXPECT_EQ(BrimlyPaths::canonicalPath(link), realCanonical);
    EXPECT_EQ(BrimlyPaths::canonicalPath(link + "/../real/."), realCanonical);
    EXPECT_EQ(BrimlyPaths::canonicalPath(dir / "missing/x"), dir / "missing/x");
    EXPECT_EQ(BrimlyPaths::canonicalRoot("~", {{"HOME", link}}), realCanonical);

    // A folder that does not exist yet is reached through its existing ancestor's real path.
    EXPECT_EQ(BrimlyPaths::canonicalThroughExistingAncestor(link + "/new/deeper/"),
              realCanonical + "/new/deeper");
    EXPECT_EQ(BrimlyPaths::canonicalThroughExistingAncestor(link), realCanonical);
    // A file in the way is not a folder to watch: the walk goes past it.
    std::string file = dir.write("real/file", "x");
    EXPECT_EQ(BrimlyPaths::canonicalThroughExistingAncestor(file + "/sub"), realCanonical + "/file/sub");
    EXPECT_EQ(BrimlyPaths::canonicalThroughExistingAncestor("/"), "/");
}

}  // namespace
}  // namespace brimly
