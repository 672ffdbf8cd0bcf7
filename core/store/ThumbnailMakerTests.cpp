#include <gtest/gtest.h>

#include "core/store/ImageProbe.h"
#include "core/store/ThumbnailMaker.h"
#include "core/testsupport/TempDir.h"
#include "core/testsupport/TestImages.h"

namespace brimly {
namespace {

std::optional<PixelSize> sizeOf(const std::string& path) {
    auto source = ImageSource::open(path);
    return source ? ImageProbe::pixelSize(*source) : std::nullopt;
}

TEST(ThumbnailMakerTest, DrawsEveryThumbnailOnItsWorkersAndTheLastCopyOfARewrittenImageWins) {
    testing::TempDir dir;
    ThumbnailMaker maker(2);
    for (int i = 0; i < 6; ++i) {
        maker.add(dir.write("items/" + std::to_string(i) + ".png", testing::TestImages::png(720, 360)),
                  dir.path() + "/" + std::to_string(i) + ".jpg");
    }
    // A slow large picture then a small one for the same thumbnail: only the small one may be left.
    maker.add(dir.write("items/old.png", testing::TestImages::png(1600, 800)), dir.path() + "/same.jpg");
    maker.add(dir.write("items/new.png", testing::TestImages::png(100, 200)), dir.path() + "/same.jpg");
    // Neither a missing copy nor one that is not a picture leaves a file.
    maker.add(dir.path() + "/items/gone.png", dir.path() + "/gone.jpg");
    maker.add(dir.write("items/text.png", "not a picture"), dir.path() + "/text.jpg");
    maker.drain();
    EXPECT_EQ(maker.finished(), 10u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(sizeOf(dir.path() + "/" + std::to_string(i) + ".jpg"), (PixelSize{360, 180}));
    EXPECT_EQ(sizeOf(dir.path() + "/same.jpg"), (PixelSize{100, 200}));
    EXPECT_FALSE(sizeOf(dir.path() + "/gone.jpg"));
    EXPECT_FALSE(sizeOf(dir.path() + "/text.jpg"));
}

TEST(ThumbnailMakerTest, GoingAwayDropsWaitingJobsWithoutWaitingForThem) {
    testing::TempDir dir;
    const std::string copy = dir.write("big.png", testing::TestImages::png(1500, 1000));
    {
        ThumbnailMaker maker(1);
        for (int i = 0; i < 200; ++i) maker.add(copy, dir.path() + "/" + std::to_string(i) + ".jpg");
    }
    // The one worker had time for a few at most before the maker went.
    int drawn = 0;
    for (int i = 0; i < 200; ++i) drawn += sizeOf(dir.path() + "/" + std::to_string(i) + ".jpg") ? 1 : 0;
    EXPECT_LT(drawn, 200);
}

}  // namespace
}  // namespace brimly
