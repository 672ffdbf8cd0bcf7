#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "core/platform/FileSystem.h"
#include "core/platform/InstanceLock.h"
#include "core/testsupport/TempDir.h"

namespace brimly {
namespace {

TEST(InstanceLockTest, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    testing::TempDir dir;
    std::string support = dir / "support/brimly";
    auto first = InstanceLock::acquire(support);
    ASSERT_TRUE(first);
    std::string error;
    EXPECT_FALSE(InstanceLock::acquire(support, &error));
    EXPECT_NE(error.find("already"), std::string::npos) << error;
    // Another process is what the lock is for: a child must be refused too.
    pid_t child = fork();
    if (child == 0) _exit(InstanceLock::acquire(support) ? 0 : 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    first.reset();
    EXPECT_TRUE(InstanceLock::acquire(support));
}

TEST(FileSystemTest, TrustTestRefusesLinksAndSharedWritableFolders) {
    testing::TempDir dir;
    std::string real = dir.makeDir("root");
    ::chmod(real.c_str(), 0700);
    EXPECT_TRUE(FileSystem::isTrustedDirectory(real));
    std::string link = dir / "link";
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    EXPECT_FALSE(FileSystem::isTrustedDirectory(link));
    ::chmod(real.c_str(), 0777);
    EXPECT_FALSE(FileSystem::isTrustedDirectory(real));
    ::chmod(real.c_str(), 0720);
    EXPECT_FALSE(FileSystem::isTrustedDirectory(real));
    EXPECT_FALSE(FileSystem::isTrustedDirectory(dir.write("file", "x")));
    EXPECT_FALSE(FileSystem::isTrustedDirectory(dir / "missing"));
    // A folder of another owner: as root one can be made for real, otherwise a system folder is one.
    if (FileSystem::userID() == 0) {
        std::string foreign = dir.makeDir("foreign");
        ::chmod(foreign.c_str(), 0700);
        ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
        EXPECT_FALSE(FileSystem::isTrustedDirectory(foreign));
    } else {
        EXPECT_FALSE(FileSystem::isTrustedDirectory("/usr"));
    }
}

TEST(FileSystemTest, PathHelpers) {
    EXPECT_EQ(FileSystem::lastComponent("/a/b.png/"), "b.png");
    EXPECT_EQ(FileSystem::parentPath("/a/b"), "/a");
    EXPECT_EQ(FileSystem::parentPath("/a"), "/");
    EXPECT_EQ(FileSystem::extension("/a.b/c"), "");
    EXPECT_EQ(FileSystem::extension("/a/.hidden"), "");
    EXPECT_EQ(FileSystem::extension("/a/x.tar.GZ"), "GZ");
    EXPECT_EQ(FileSystem::temporaryDirectory({{"TMPDIR", "/var/tmp/"}}), "/var/tmp");
    EXPECT_EQ(FileSystem::temporaryDirectory({{"TMPDIR", "relative"}}), "/tmp");
    EXPECT_EQ(FileSystem::temporaryDirectory({}), "/tmp");
}

TEST(FileSystemTest, InfoReportsTypesSizesAndCanonicalPaths) {
    testing::TempDir dir;
    std::string file = dir.write("a/b.txt", "hello");
    auto info = FileSystem::info(file);
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->isFile());
    EXPECT_EQ(info->size, 5u);
    EXPECT_LE(info->createdAt, info->modifiedAt + 1);
    EXPECT_EQ(FileSystem::canonicalPath(dir / "a/../a/b.txt"), file);
    EXPECT_EQ(FileSystem::canonicalPath(dir / "missing/../x"), dir / "missing/../x");
    auto entries = FileSystem::list(dir / "a");
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ(entries->front().name, "b.txt");
    EXPECT_FALSE(FileSystem::list(dir / "missing"));
    EXPECT_TRUE(FileSystem::createDirectories(dir / "x/y/z"));
    EXPECT_TRUE(FileSystem::isDirectory(dir / "x/y/z"));
}

}  // namespace
}  // namespace brimly
