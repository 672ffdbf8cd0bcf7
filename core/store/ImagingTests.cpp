#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/store/Imaging.h"
#include "core/testsupport/LoggedErrors.h"

namespace brimly {
namespace {

// A build or an install that lost the image library still captures (without sizes or thumbnails) and says
// why in the log, instead of failing at the first picture.
TEST(ImagingTest, AnUnusableLibraryIsReportedAndGivesNoTable) {
    struct Case {
        const char* path;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"/nonexistent/brimly-imaging.so", "/nonexistent/brimly-imaging.so"},
        {"libm.so.6", "libm.so.6 is not the image library"},
    };
    for (const auto& [path, reason] : cases) {
        auto lines = testing::errorsLoggedBy([&] { EXPECT_EQ(Imaging::load(path), nullptr) << path; });
        ASSERT_EQ(lines.size(), 1u) << path;
        EXPECT_NE(lines[0].find(reason), std::string::npos) << lines[0];
    }
}

}  // namespace
}  // namespace brimly
