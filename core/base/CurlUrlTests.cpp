#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/CurlUrl.h"
#include "core/testsupport/LoggedErrors.h"

namespace brimly {
namespace {

TEST(CurlUrlTest, AnUnusableLibraryIsReportedAndGivesNoFunctions) {
    struct Case {
        const char* name;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"/nonexistent/libcurl.so.4", "/nonexistent/libcurl.so.4"},
        {"libm.so.6", "libm.so.6 has no URL functions"},
    };
    for (const auto& [name, reason] : cases) {
        auto lines = testing::errorsLoggedBy([&] { EXPECT_EQ(CurlUrl::load(name), nullptr) << name; });
        ASSERT_EQ(lines.size(), 1u) << name;
        EXPECT_NE(lines[0].find(reason), std::string::npos) << lines[0];
    }
}

}  // namespace
}  // namespace brimly
