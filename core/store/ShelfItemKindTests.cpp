#include <gtest/gtest.h>

#include "core/store/ShelfItemKind.h"
#include "core/store/Source.h"

namespace brimly {
namespace {

TEST(ShelfItemKind, RawValuesRoundTripInCaseOrder) {
    std::vector<std::string> raws;
    for (ShelfItemKind kind : ShelfItemKinds::allCases) {
        raws.emplace_back(ShelfItemKinds::rawValue(kind));
        EXPECT_EQ(ShelfItemKinds::fromRawValue(ShelfItemKinds::rawValue(kind)), kind);
    }
    EXPECT_EQ(raws, (std::vector<std::string>{"image", "html", "pdf", "document", "video", "audio",
                                              "artifact", "file"}));
    EXPECT_EQ(ShelfItemKinds::fromRawValue("Image"), std::nullopt);
    EXPECT_EQ(ShelfItemKinds::fromRawValue(""), std::nullopt);
    for (Source source : Sources::allCases)
        EXPECT_EQ(Sources::fromRawValue(Sources::rawValue(source)), source);
    EXPECT_EQ(Sources::rawValue(Source::chrome), "chrome");
    EXPECT_EQ(Sources::fromRawValue("browser"), std::nullopt);
}

TEST(ShelfItemKind, ForExtension) {
    const std::pair<const char*, std::optional<ShelfItemKind>> cases[] = {
        {"JPG", ShelfItemKind::image},
        {"Png", ShelfItemKind::image},
        {"HTM", ShelfItemKind::html},
        {"svg", ShelfItemKind::image},
        {"pdf", ShelfItemKind::pdf},
        {"numbers", ShelfItemKind::document},
        {"webm", ShelfItemKind::video},
        {"FLAC", ShelfItemKind::audio},
        {"jpg ", std::nullopt},
        {".jpg", std::nullopt},
        {"", std::nullopt},
        {"md", std::nullopt},
        {"artifact", std::nullopt},
        {"file", std::nullopt},
    };
    for (const auto& [ext, kind] : cases) EXPECT_EQ(ShelfItemKinds::forExtension(ext), kind) << ext;
}

TEST(ShelfItemKind, ExtraExtensionsBecomeFilesOnlyWithoutAKindOfTheirOwn) {
    std::set<std::string> extra = {"md", "png", "txt"};
    EXPECT_EQ(ShelfItemKinds::forExtension("md", extra), ShelfItemKind::file);
    EXPECT_EQ(ShelfItemKinds::forExtension("MD", extra), ShelfItemKind::file);
    EXPECT_EQ(ShelfItemKinds::forExtension("png", extra), ShelfItemKind::image);
    EXPECT_EQ(ShelfItemKinds::forExtension("csv", extra), std::nullopt);
    EXPECT_EQ(ShelfItemKinds::forExtension("md", {}), std::nullopt);
    for (ShelfItemKind kind : ShelfItemKinds::allCases) {
        EXPECT_EQ(ShelfItemKinds::shownByDefault().count(kind) == 1, kind != ShelfItemKind::file);
    }
}

}  // namespace
}  // namespace brimly
