#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

#include "app/items/Trash.h"
#include "core/base/Utf8.h"
#include "core/platform/FileSystem.h"
#include "core/testsupport/TempDir.h"

namespace brimly {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

// 2024-03-05T07:08:09Z
constexpr Date deletedAt = dateFromUnix(1709622489);

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream out;
    out << in.rdbuf();
    return out.str();
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    if (!fs::exists(folder)) return names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(TrashTest, InfoTextEncodesThePathAndWritesTheLocalDate) {
    // clang-format off
    const std::vector<std::tuple<std::string, int, std::string>> cases = {
        {"/home/me/shot.png",         0,     "Path=/home/me/shot.png\nDeletionDate=2024-03-05T07:08:09\n"},
        {"/home/me/my shot.png",      3600,  "Path=/home/me/my%20shot.png\nDeletionDate=2024-03-05T08:08:09\n"},
        {"/home/me/caf\xc3\xa9.png",  -28800, "Path=/home/me/caf%C3%A9.png\nDeletionDate=2024-03-04T23:08:09\n"},
        {"/home/me/100%.png",         0,     "Path=/home/me/100%25.png\nDeletionDate=2024-03-05T07:08:09\n"},
        {"media/a#b?.png",            0,     "Path=media/a%23b%3F.png\nDeletionDate=2024-03-05T07:08:09\n"},
    };
    // clang-format on
    for (const auto& [path, offset, body] : cases) {
        EXPECT_EQ(Trash::infoText(path, deletedAt, TimeZone::fixed(offset)), "[Trash Info]\n" + body) << path;
    }
}

TEST(TrashTest, CandidateNamesNumberBeforeTheExtensionAndFitTheNameLimit) {
    // clang-format off
    const std::vector<std::tuple<std::string, int, std::string>> cases = {
        {"shot.png",   1, "shot.png"},
        {"shot.png",   2, "shot.2.png"},
        {"a.tar.gz",   3, "a.tar.3.gz"},
        {".bashrc",    2, ".bashrc.2"},
        {"notes",      2, "notes.2"},
    };
    // clang-format on
    for (const auto& [name, attempt, expected] : cases) {
        EXPECT_EQ(Trash::candidateName(name, attempt), expected) << name << " " << attempt;
    }

    std::string longName = std::string(300, 'x') + ".png";
    std::string shortened = Trash::candidateName(longName, 12);
    EXPECT_LE(shortened.size() + std::string_view(".trashinfo").size(), 255U);
    EXPECT_TRUE(shortened.ends_with("x.12.png")) << shortened;

    std::string accents;
    for (int i = 0; i < 200; ++i) accents += "\xc3\xa9";
    std::string cut = Trash::candidateName(accents, 2);
    EXPECT_LE(cut.size(), 245U);
    EXPECT_TRUE(Utf8::isValid(cut));
}

class TrashMoveTest : public ::testing::Test {
protected:
    Trash trash(Trash::Rename rename = {}) const {
        return Trash(
            {.homeTrash = dir / "Trash", .uid = ::getuid(), .zone = TimeZone::utc(), .rename = rename});
    }
    std::string info(const std::string& name) const {
        return readFile(dir / ("Trash/info/" + name + ".trashinfo"));
    }

    TempDir dir;
};

TEST_F(TrashMoveTest, MovesTheFileAndRecordsWhereItCameFrom) {
    std::string original = dir.write("work/my shot.png", "pixels");
    auto result = trash().moveToTrash(original, deletedAt);
    ASSERT_TRUE(result.isMoved()) << result.error.message();
    EXPECT_EQ(result.trashedPath, dir / "Trash/files/my shot.png");
    EXPECT_FALSE(fs::exists(original));
    EXPECT_EQ(readFile(result.trashedPath), "pixels");
    EXPECT_EQ(info("my shot.png"), Trash::infoText(original, deletedAt, TimeZone::utc()));
    EXPECT_NE(info("my shot.png").find("%20shot.png"), std::string::npos);
}

TEST_F(TrashMoveTest, NeverOverwritesWhatIsAlreadyThere) {
    std::string first = dir.write("a/shot.png", "first");
    std::string second = dir.write("b/shot.png", "second");
    // Another program claimed the third name but has not moved its file yet.
    dir.write("Trash/info/shot.3.png.trashinfo", "claimed");
    std::string third = dir.write("c/shot.png", "third");

    ASSERT_TRUE(trash().moveToTrash(first, deletedAt).isMoved());
    ASSERT_TRUE(trash().moveToTrash(second, deletedAt).isMoved());
    auto result = trash().moveToTrash(third, deletedAt);
    ASSERT_TRUE(result.isMoved());

    EXPECT_EQ(namesIn(dir / "Trash/files"),
              (std::vector<std::string>{"shot.2.png", "shot.4.png", "shot.png"}));
    EXPECT_EQ(readFile(dir / "Trash/files/shot.png"), "first");
    EXPECT_EQ(readFile(dir / "Trash/files/shot.2.png"), "second");
    EXPECT_EQ(readFile(dir / "Trash/files/shot.4.png"), "third");
    EXPECT_EQ(info("shot.3.png"), "claimed");
    EXPECT_NE(info("shot.2.png").find("Path=" + dir.path() + "/b/shot.png"), std::string::npos);
}

TEST_F(TrashMoveTest, AFailedMoveLeavesTheFileInPlaceAndNoInfoBehind) {
    std::string original = dir.write("work/shot.png", "pixels");
    // Root may write anywhere, so a read-only Trash cannot make the move fail here for real.
    auto refused = [](const std::string&, const std::string&) {
        return std::make_error_code(std::errc::permission_denied);
    };
    auto result = trash(refused).moveToTrash(original, deletedAt);
    EXPECT_EQ(result.outcome, Trash::Outcome::failed);
    EXPECT_EQ(result.error, std::errc::permission_denied);
    EXPECT_EQ(readFile(original), "pixels");
    EXPECT_TRUE(namesIn(dir / "Trash/info").empty());
    EXPECT_TRUE(namesIn(dir / "Trash/files").empty());
}

TEST_F(TrashMoveTest, RefusesMissingFilesAndATrashThatIsALink) {
    EXPECT_EQ(trash().moveToTrash(dir / "gone.png", deletedAt).outcome, Trash::Outcome::missing);
    EXPECT_EQ(trash().moveToTrash("relative.png", deletedAt).outcome, Trash::Outcome::failed);

    std::string original = dir.write("work/shot.png", "pixels");
    dir.makeDir("elsewhere");
    fs::create_directory_symlink(dir / "elsewhere", dir / "Trash");
    EXPECT_EQ(trash().moveToTrash(original, deletedAt).outcome, Trash::Outcome::noTrash);
    EXPECT_TRUE(fs::exists(original));
    EXPECT_TRUE(namesIn(dir / "elsewhere").empty());
}

TEST_F(TrashMoveTest, AFileOnAnotherVolumeGoesToThatVolumesTrashWithARelativePath) {
    auto shm = FileSystem::infoFollowingLinks("/dev/shm");
    auto home = FileSystem::infoFollowingLinks(dir.path());
    if (!shm || !home || shm->device == home->device) GTEST_SKIP() << "/dev/shm is not a volume of its own";
    TempDir volume("/dev/shm");
    std::string original = volume.write("shot.png", "pixels");
    // An unused uid keeps the test's Trash apart from the machine's real one.
    uid_t uid = 3000000000U + static_cast<uid_t>(::getpid());
    std::string volumeTrash = "/dev/shm/.Trash-" + std::to_string(uid);
    auto result = Trash({.homeTrash = dir / "Trash", .uid = uid, .zone = TimeZone::utc()})
                      .moveToTrash(original, deletedAt);
    std::string recorded = readFile(volumeTrash + "/info/shot.png.trashinfo");
    std::error_code ignored;
    fs::remove_all(volumeTrash, ignored);

    ASSERT_TRUE(result.isMoved()) << result.error.message();
    EXPECT_EQ(result.trashedPath, volumeTrash + "/files/shot.png");
    std::string relative = volume.path().substr(std::string("/dev/shm/").size()) + "/shot.png";
    EXPECT_EQ(recorded, Trash::infoText(relative, deletedAt, TimeZone::utc()));
    EXPECT_FALSE(fs::exists(dir / "Trash"));
}

}  // namespace
}  // namespace brimly
