#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/engine/ChromeScreenshots.h"
#include "core/engine/EngineTestSupport.h"

namespace brimly {
namespace {

using testing::setModified;

namespace fs = std::filesystem;

TEST(ChromeScreenshots, NameRules) {
    struct Case {
        std::string path;
        bool matches;
    };
    const std::vector<Case> cases = {
        {"/tmp/x/claude-chrome-screenshots-42/screenshot-1.JPG", true},
        {"/tmp/claude-chrome-screenshots-42/screenshot-1700000000000-1.jpg", true},
        {"/tmp/claude-chrome-screenshots-42/screenshot-1.jpeg", true},
        {"/tmp/x/claude-chrome-screenshots-42/screenshot-1.png", true},
        {"/tmp/x/claude-chrome-screenshots-42/screenshot-1.PNG", true},
        {"/tmp/x/claude-chrome-screenshots-42/shot-1.jpg", false},
        {"/tmp/x/claude-chrome-screenshots-42/screenshot-1.gif", false},
        {"/tmp/x/claude-chrome-screenshots-42/screenshot-1", false},
        {"/tmp/x/claude-chrome-screenshots-42/screenshot-1.jpg.txt", false},
        {"/tmp/claude-chrome-screenshots-42/sub/screenshot-1.jpg", false},
        {"/tmp/other/screenshot-1.jpg", false},
        {"/tmp/xclaude-chrome-screenshots-42/screenshot-1.jpg", false},
        {"claude-chrome-screenshots-42/screenshot-1.jpg", false},
    };
    for (const Case& c : cases) EXPECT_EQ(ChromeScreenshots::matches(c.path), c.matches) << c.path;
}

TEST(ChromeScreenshots, FilesAreRecentScreenshotsInTheUsersOwnFolders) {
    testing::TempDir dir;
    const double nowUnix = 1'800'000'000;
    const Date now = dateFromUnix(nowUnix);
    std::string folder = dir.makeDir("claude-chrome-screenshots-aB3");
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace);
    std::string fresh = dir.write("claude-chrome-screenshots-aB3/screenshot-1-1.jpg", "jpeg");
    std::string png = dir.write("claude-chrome-screenshots-aB3/screenshot-2-1.png", "png");
    std::string old = dir.write("claude-chrome-screenshots-aB3/screenshot-0-1.jpg", "old");
    std::string notes = dir.write("claude-chrome-screenshots-aB3/notes.jpg", "x");
    std::string secret = dir.write("secret.png", "s");
    fs::create_symlink(secret, folder + "/screenshot-3-1.png");
    fs::create_directory(folder + "/screenshot-4-1.jpg");
    std::string open = dir.makeDir("claude-chrome-screenshots-open");
    fs::permissions(open, fs::perms::all, fs::perm_options::replace);
    std::string planted = dir.write("claude-chrome-screenshots-open/screenshot-5-1.jpg", "x");
    std::string elsewhere = dir.write("other/screenshot-6-1.jpg", "x");
    for (const std::string& path : {fresh, png, notes, planted, elsewhere}) setModified(path, nowUnix - 30);
    setModified(old, nowUnix - 3600);
    setModified(folder + "/screenshot-3-1.png", nowUnix - 30);

    std::vector<std::string> found;
    for (const Url& url : ChromeScreenshots::files(dir.path(), 600, now)) found.push_back(*url.path());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{fresh, png}));

    found.clear();
    for (const Url& url : ChromeScreenshots::files(dir.path(), 3600, now)) found.push_back(*url.path());
    EXPECT_EQ(found.size(), 3u);
    EXPECT_TRUE(ChromeScreenshots::files(dir / "missing", 600, now).empty());
}

}  // namespace
}  // namespace brimly
