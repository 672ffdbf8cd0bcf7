#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/store/ImageModules.h"
#include "core/store/ImageProbe.h"
#include "core/testsupport/TestImages.h"

namespace brimly {
namespace {

namespace TestImages = testing::TestImages;

std::optional<PixelSize> sizeOf(const std::string& bytes) {
    return ImageProbe::pixelSize(ImageSource::fromBytes(bytes));
}

// CTest runs each test in a process of its own, so libvips has not started when this one begins.
TEST(ImageModulesTest, ModulesStayOutUntilAFileNeedsOne) {
    ::setenv("VIPSHOME", "/opt/someone-elses-vips", 1);
    if (!ImageModules::keepOutAtStart("brimly")) {
        GTEST_SKIP() << "libvips already looked for its modules in this process; run this test on its own";
    }
    EXPECT_STREQ(std::getenv("VIPSHOME"), "/opt/someone-elses-vips");

    EXPECT_EQ(sizeOf(TestImages::png(4, 3)), (PixelSize{4, 3}));
    for (const char* operation : {"heifload", "pdfload", "magickload", "jxlload", "openslideload"}) {
        EXPECT_FALSE(ImageModules::has(operation)) << operation;
    }

    EXPECT_EQ(sizeOf(TestImages::heic8x8()), (PixelSize{8, 8}));
    EXPECT_TRUE(ImageModules::has("heifload"));
    for (const char* operation : {"pdfload", "magickload", "jxlload", "openslideload"}) {
        EXPECT_FALSE(ImageModules::has(operation)) << operation;
    }

    EXPECT_TRUE(ImageModules::require("pdfload", "poppler"));
    EXPECT_FALSE(ImageModules::require("nosuchload", "nosuch"));
    EXPECT_FALSE(ImageModules::has("magickload"));
}

}  // namespace
}  // namespace brimly
