#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "core/base/AtomicFile.h"
#include "core/base/Crypto.h"
#include "core/base/FileReader.h"
#include "core/testsupport/TempDir.h"

namespace brimly {
namespace {

using Refusal = FileReader::Refusal;

std::optional<Refusal> refusalOf(const std::string& path, std::optional<std::uint64_t> maxBytes) {
    auto opened = FileReader::open(path, maxBytes);
    if (auto* refusal = std::get_if<Refusal>(&opened)) return *refusal;
    return std::nullopt;
}

TEST(FileReaderTest, TakesOnlyRegularFilesWithinTheCapAndNeverWaitsOnOne) {
    testing::TempDir dir;
    std::string fifo = dir / "shot.png";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string zero = dir / "zero.png";
    ASSERT_EQ(::symlink("/dev/zero", zero.c_str()), 0);
    std::string sparse = dir / "big.png";
    int fd = ::open(sparse.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 1L << 30), 0);
    ::close(fd);
    std::string small = dir.write("small.png", std::string(100, 'x'));
    constexpr std::uint64_t cap = 256UL << 20;
    // clang-format off
    const std::tuple<std::string, std::optional<std::uint64_t>, std::optional<Refusal>> cases[] = {
        {fifo,              std::nullopt, Refusal::notRegularFile},
        {zero,              std::nullopt, Refusal::notRegularFile},
        {dir.path(),        std::nullopt, Refusal::notRegularFile},
        {dir / "absent",    std::nullopt, Refusal::unreadable},
        {sparse,            cap,          Refusal::tooLarge},
        {sparse,            std::nullopt, std::nullopt},
        {small,             100,          std::nullopt},
        {small,             99,           Refusal::tooLarge},
    };
    // clang-format on
    for (const auto& [path, maxBytes, refusal] : cases) EXPECT_EQ(refusalOf(path, maxBytes), refusal) << path;

    EXPECT_EQ(AtomicFile::read(fifo), std::nullopt);
    EXPECT_EQ(AtomicFile::read(zero), std::nullopt);
    EXPECT_EQ(Crypto::sha256HexOfFile(zero), std::nullopt);
    EXPECT_EQ(FileReader::reason(Refusal::notRegularFile), "not a regular file");
    EXPECT_EQ(FileReader::reason(Refusal::tooLarge), "too large");
}

TEST(FileReaderTest, ReadsTheFileItOpenedWithinTheCapWhateverHappensToThePathLater) {
    testing::TempDir dir;
    std::string path = dir.write("shot.png", "first picture");
    auto file = std::get<FileReader>(FileReader::open(path, 20));
    std::string replacement = dir.write("other.png", "something else");
    ASSERT_EQ(std::rename(replacement.c_str(), path.c_str()), 0);
    EXPECT_EQ(std::get<std::string>(file.readAll()), "first picture");
    EXPECT_EQ(file.readPrefix(5), "first");
    EXPECT_EQ(file.readPrefix(100), "first picture");
    EXPECT_EQ(Crypto::sha256HexOf(file), Crypto::sha256Hex("first picture"));

    std::string growing = dir.write("growing.png", "0123456789");
    auto grown = std::get<FileReader>(FileReader::open(growing, 12));
    int fd = ::open(growing.c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "abcdef", 6), 6);
    ::close(fd);
    EXPECT_EQ(std::get<Refusal>(grown.readAll()), Refusal::tooLarge);
    EXPECT_EQ(AtomicFile::copy(grown, dir / "copy.png"), std::make_error_code(std::errc::file_too_large));
    EXPECT_EQ(AtomicFile::read(dir / "copy.png"), std::nullopt);
}

}  // namespace
}  // namespace brimly
