#include <gtest/gtest.h>

#include "core/update/SystemVersion.h"

namespace brimly {
namespace {

using Pieces = std::vector<std::int64_t>;

TEST(SystemVersion, Parsing) {
    const std::pair<const char*, std::optional<Pieces>> cases[] = {
        {"14", Pieces{14}},
        {"14.2", Pieces{14, 2}},
        {"14.2.1", Pieces{14, 2, 1}},
        {"007.0", Pieces{7, 0}},
        {"", std::nullopt},
        {"14.", std::nullopt},
        {".14", std::nullopt},
        {"14..1", std::nullopt},
        {"14.1.2.3", std::nullopt},
        {"14a", std::nullopt},
        {"+14", std::nullopt},
        {"-1", std::nullopt},
        {" 14", std::nullopt},
        {"\xD9\xA1\xD9\xA4", std::nullopt},  // Arabic-Indic digits are not ASCII digits
        {"99999999999999999999", std::nullopt},
    };
    for (const auto& [text, pieces] : cases) EXPECT_EQ(SystemVersion::parse(text), pieces) << text;
}

TEST(SystemVersion, ComparesOnlyThePiecesTheMinimumHas) {
    const std::tuple<Pieces, OperatingSystemVersion, bool> cases[] = {
        {{14}, {14, 0, 0}, true},       {{14}, {13, 9, 9}, false},      {{14, 2}, {14, 2, 0}, true},
        {{14, 2}, {14, 1, 9}, false},   {{14, 2}, {15, 0, 0}, true},    {{14, 2, 1}, {14, 2, 0}, false},
        {{14, 2, 1}, {14, 2, 1}, true}, {{14, 2, 1}, {14, 3, 0}, true}, {{0}, {0, 0, 0}, true},
    };
    for (const auto& [minimum, running, met] : cases)
        EXPECT_EQ(SystemVersion::isMet(minimum, running), met) << ::testing::PrintToString(minimum);
}

TEST(SystemVersion, RunningVersionFromReleaseTexts) {
    const std::pair<const char*, std::optional<OperatingSystemVersion>> cases[] = {
        {"6.1.0-18-amd64", OperatingSystemVersion{6, 1, 0}},
        {"22.04", OperatingSystemVersion{22, 4, 0}},
        {"12", OperatingSystemVersion{12, 0, 0}},
        {"5.15.153.1-microsoft-standard-WSL2", OperatingSystemVersion{5, 15, 153}},
        {"6.", OperatingSystemVersion{6, 0, 0}},
        {"rolling", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, version] : cases)
        EXPECT_EQ(OperatingSystemVersion::fromReleaseText(text), version) << text;
}

}  // namespace
}  // namespace brimly
