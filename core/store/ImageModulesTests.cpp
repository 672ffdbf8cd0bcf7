#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "core/store/ImageModules.h"
#include "core/store/ImageProbe.h"
#include "core/testsupport/TestImages.h"

namespace brimly {
namespace {

namespace TestImages = testing::TestImages;

std::optional<PixelSize> sizeOf(const std::string& bytes) {
    return ImageProbe::pixelSize(ImageSource::fromBytes(bytes));
}

bool isMapped(std::string_view library) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        if (line.find(library) != std::string::npos) return true;
    }
    return false;
}

// CTest runs each test in a process of its own, so the image library has not been opened when this one
// begins: libvips is not even mapped until the first picture.
TEST(ImageModulesTest, ModulesStayOutUntilAFileNeedsOne) {
    if (isMapped("brimly-imaging")) {
        GTEST_SKIP() << "the image library is already open in this process; run this test on its own";
    }
    EXPECT_FALSE(isMapped("libvips"));
    ::setenv("VIPSHOME", "/opt/someone-elses-vips", 1);

    EXPECT_EQ(sizeOf(TestImages::png(4, 3)), (PixelSize{4, 3}));
    EXPECT_TRUE(isMapped("libvips"));
    EXPECT_STREQ(std::getenv("VIPSHOME"), "/opt/someone-elses-vips");
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
