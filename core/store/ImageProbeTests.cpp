#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "core/base/AtomicFile.h"
#include "core/store/ImageProbe.h"
#include "core/testsupport/TempDir.h"
#include "core/testsupport/TestImages.h"

namespace brimly {
namespace {

using testing::TempDir;
namespace TestImages = testing::TestImages;

// A real JPEG of the given stored size, made by decoding a PNG and encoding it again.
std::string jpeg(int width, int height) {
    TempDir dir;
    auto image = ImageProbe::thumbnail(ImageSource::fromBytes(TestImages::png(width, height)), 10000);
    if (!image || !ImageProbe::writeJPEG(*image, dir / "out.jpg")) return {};
    return AtomicFile::read(dir / "out.jpg").value_or("");
}

TEST(ImageProbeTest, PixelSizeOfEachFormatFromTheHeader) {
    std::string photo = jpeg(40, 20);
    ASSERT_FALSE(photo.empty());
    const std::tuple<const char*, std::string, std::optional<PixelSize>> cases[] = {
        {"png", TestImages::png(31, 500), PixelSize{31, 500}},
        {"jpeg", photo, PixelSize{40, 20}},
        {"svg", TestImages::svg(300, 200), PixelSize{300, 200}},
        {"heic", TestImages::heic8x8(), PixelSize{8, 8}},
        {"jpeg, orientation 6", TestImages::withExifOrientation(photo, 6), PixelSize{20, 40}},
        {"jpeg, orientation 5", TestImages::withExifOrientation(photo, 5), PixelSize{20, 40}},
        {"jpeg, orientation 8", TestImages::withExifOrientation(photo, 8), PixelSize{20, 40}},
        {"jpeg, orientation 3", TestImages::withExifOrientation(photo, 3), PixelSize{40, 20}},
        {"jpeg, orientation 1", TestImages::withExifOrientation(photo, 1), PixelSize{40, 20}},
        {"empty", "", std::nullopt},
        {"text", "hello, this is not a picture at all", std::nullopt},
        {"png signature only", "\x89PNG\r\n\x1a\n", std::nullopt},
        {"truncated png header", TestImages::png(64, 64).substr(0, 20), std::nullopt},
        // Formats libvips could read but the shelf never shows stay closed.
        {"ppm", "P6\n64 64\n255\n" + std::string(64 * 64 * 3, 'x'), std::nullopt},
        {"pdf", "%PDF-1.4\n1 0 obj<<>>endobj\ntrailer<<>>\n%%EOF\n", std::nullopt},
    };
    for (const auto& [name, bytes, size] : cases) {
        EXPECT_EQ(ImageProbe::pixelSize(ImageSource::fromBytes(bytes)), size) << name;
    }
}

TEST(ImageProbeTest, ThumbnailsAreUprightAndNeverEnlarged) {
    std::string photo = jpeg(400, 200);
    ASSERT_FALSE(photo.empty());
    // name, bytes, largest side, smallest larger side accepted, thumbnail size
    const std::tuple<const char*, std::string, int, int, std::optional<PixelSize>> cases[] = {
        {"wide png", TestImages::png(800, 400), 360, 0, PixelSize{360, 180}},
        {"tall png", TestImages::png(100, 1000), 360, 0, PixelSize{36, 360}},
        {"small png kept", TestImages::png(50, 40), 360, 0, PixelSize{50, 40}},
        {"rotated jpeg", TestImages::withExifOrientation(photo, 6), 100, 0, PixelSize{50, 100}},
        {"larger side below minimum", TestImages::png(50, 40), 360, 51, std::nullopt},
        {"larger side at minimum", TestImages::png(50, 40), 360, 50, PixelSize{50, 40}},
        {"svg", TestImages::svg(720, 360), 360, 0, PixelSize{360, 180}},
        {"garbage", "not an image", 360, 0, std::nullopt},
    };
    for (const auto& [name, bytes, maxPixel, minimumSide, size] : cases) {
        auto image = ImageProbe::thumbnail(ImageSource::fromBytes(bytes), maxPixel, minimumSide);
        EXPECT_EQ(image ? std::optional(PixelSize{image->width(), image->height()}) : std::nullopt, size)
            << name;
    }
}

TEST(ImageProbeTest, TruncatedAndHostileBytesGiveNothing) {
    std::string whole = TestImages::png(200, 200);
    std::string photo = jpeg(120, 120);
    // The header survives, so a size is known, but the pixels cannot be decoded.
    EXPECT_TRUE(ImageProbe::pixelSize(ImageSource::fromBytes(whole.substr(0, whole.size() / 2))));
    EXPECT_FALSE(ImageProbe::thumbnail(ImageSource::fromBytes(whole.substr(0, whole.size() / 2)), 360));
    EXPECT_FALSE(ImageProbe::thumbnail(ImageSource::fromBytes(photo.substr(0, photo.size() / 2)), 360));

    // A few bytes declaring a picture of 60000 x 60000 pixels are never decoded.
    std::string bomb = TestImages::png(1, 1);
    bomb.replace(16, 8, std::string("\x00\x00\xEA\x60\x00\x00\xEA\x60", 8));
    EXPECT_FALSE(ImageProbe::thumbnail(ImageSource::fromBytes(bomb), 360));

    // Every prefix gives nothing or the true size: a header is read whole or not at all.
    int sized = 0;
    for (size_t length = 0; length < photo.size(); length += 31) {
        auto size = ImageProbe::pixelSize(ImageSource::fromBytes(photo.substr(0, length)));
        if (!size) continue;
        ++sized;
        EXPECT_EQ(*size, (PixelSize{120, 120})) << length;
    }
    EXPECT_GT(sized, 0);
    EXPECT_FALSE(ImageProbe::pixelSize(ImageSource::fromBytes(photo.substr(0, 62))));
    // A sweep of flipped bytes: no crash, and sizes only when plausible.
    for (size_t at = 0; at < photo.size(); at += photo.size() / 20) {
        std::string damaged = photo;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x5A);
        auto source = ImageSource::fromBytes(damaged);
        if (auto size = ImageProbe::pixelSize(source)) {
            EXPECT_GT(size->width * size->height, 0);
        }
        if (auto image = ImageProbe::thumbnail(source, 64)) {
            EXPECT_LE(std::max(image->width(), image->height()), 64);
        }
    }
}

TEST(ImageProbeTest, WritesThumbnailsAsJpegFiles) {
    TempDir dir;
    std::string photo = jpeg(1000, 500);
    ASSERT_TRUE(ImageProbe::writeThumbnail(ImageSource::fromBytes(TestImages::withExifOrientation(photo, 6)),
                                           dir / "thumb.jpg"));
    auto written = AtomicFile::read(dir / "thumb.jpg");
    ASSERT_TRUE(written);
    EXPECT_EQ(written->substr(0, 3), "\xFF\xD8\xFF");
    // Upright already, so the file carries no orientation that would turn it again.
    EXPECT_EQ(ImageProbe::pixelSize(ImageSource::fromBytes(*written)), (PixelSize{180, 360}));

    EXPECT_FALSE(ImageProbe::writeThumbnail(ImageSource::fromBytes("nope"), dir / "none.jpg"));
    EXPECT_FALSE(AtomicFile::read(dir / "none.jpg"));
    auto image = ImageProbe::thumbnail(ImageSource::fromBytes(TestImages::png(64, 64)), 360);
    ASSERT_TRUE(image);
    EXPECT_FALSE(ImageProbe::writeJPEG(*image, dir / "missing-folder/t.jpg"));
}

TEST(ImageProbeTest, OpensFilesAndRefusesWhatIsNoFile) {
    TempDir dir;
    std::string path = dir.write("shot.png", TestImages::png(48, 64));
    auto source = ImageSource::open(path);
    ASSERT_TRUE(source);
    EXPECT_EQ(ImageProbe::pixelSize(*source), (PixelSize{48, 64}));
    auto image = ImageProbe::thumbnail(path, 32);
    ASSERT_TRUE(image);
    EXPECT_EQ((PixelSize{image->width(), image->height()}), (PixelSize{24, 32}));
    EXPECT_FALSE(ImageSource::open(dir / "absent.png"));
    EXPECT_FALSE(ImageSource::open(dir.path()));
    EXPECT_FALSE(ImageProbe::thumbnail(dir / "absent.png", 32));
}

TEST(ImageProbeTest, ProbesFromManyThreadsAtOnce) {
    std::string bytes = TestImages::png(120, 80);
    std::vector<std::thread> threads;
    std::vector<int> good(4, 0);
    for (size_t t = 0; t < good.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 20; ++i) {
                auto source = ImageSource::fromBytes(bytes);
                auto image = ImageProbe::thumbnail(source, 40);
                if (ImageProbe::pixelSize(source) == PixelSize{120, 80} && image && image->width() == 40)
                    ++good[t];
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int count : good) EXPECT_EQ(count, 20);
}

}  // namespace
}  // namespace brimly
