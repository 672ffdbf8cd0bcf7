#include <gtest/gtest.h>

#include "core/drawer/NativeResolution.h"
#include "core/store/ImageProbe.h"
#include "core/testsupport/TestImages.h"

namespace brimly {
namespace {

using testing::TestImages::png;

// The display's pixel size and a picture's header size are one type, so a unit may use both.
TEST(NativeResolutionTest, FullScreenCaptureHasTheDisplaysNativeSize) {
    auto native = NativeResolution::pick({{64, 32, 128, 64, false}, {32, 16, 64, 32, true}});
    auto capture = ImageProbe::pixelSize(ImageSource::fromBytes(png(64, 32)));
    ASSERT_TRUE(native && capture);
    EXPECT_EQ(*capture, *native);
    EXPECT_NE(ImageProbe::pixelSize(ImageSource::fromBytes(png(32, 64))), native);
}

}  // namespace
}  // namespace brimly
