#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/store/ItemFilter.h"

namespace brimly {
namespace {

FilterInput png(long width, long height, long bytes = 4000) {
    return FilterInput{.kind = ShelfItemKind::image,
                       .fileExtension = "png",
                       .byteCount = bytes,
                       .pixelWidth = width,
                       .pixelHeight = height,
                       .sourcePath = "/work/out/shot.png",
                       .source = Source::scratchpad,
                       .createdAt = 1000};
}

FilterInput withPath(FilterInput input, std::string path, std::optional<std::string> project,
                     std::optional<Source> source = Source::transcript) {
    input.sourcePath = std::move(path);
    input.projectFolder = std::move(project);
    input.source = source;
    return input;
}

TEST(ItemFilterTest, EachRuleRefusesWithItsOwnTextFollowingTheLimits) {
    ItemFilter filter;
    FilterInput tiny = png(100, 100, 511);
    FilterInput artifact{.kind = ShelfItemKind::artifact, .fileExtension = "", .byteCount = 511};
    FilterInput svg{.kind = ShelfItemKind::image, .fileExtension = "SVG", .byteCount = 10000};
    FilterInput unreadable = png(100, 100);
    unreadable.pixelHeight.reset();
    FilterInput pdf{.kind = ShelfItemKind::pdf, .fileExtension = "pdf", .byteCount = 512};
    FilterInput noKind{.fileExtension = "xyz", .byteCount = 99999};
    FilterInput fileKind{.kind = ShelfItemKind::file, .fileExtension = "md", .byteCount = 600};
    const std::tuple<const char*, FilterInput, Verdict> cases[] = {
        {"no kind", noKind, Verdict::reject("not a file type the shelf shows")},
        {"511-byte png", tiny, Verdict::reject("under 512 bytes")},
        {"511-byte artifact", artifact, Verdict::accept()},
        {"svg without size", svg, Verdict::accept()},
        {"png without size", unreadable, Verdict::reject("unreadable image")},
        {"31x500", png(31, 500), Verdict::reject("smaller than 32 px")},
        {"500x31", png(500, 31), Verdict::reject("smaller than 32 px")},
        {"32x32", png(32, 32), Verdict::accept()},
        {"pdf at the byte limit, no pixels", pdf, Verdict::accept()},
        {"file kind never in kinds", fileKind, Verdict::accept()},
    };
    for (const auto& [name, input, verdict] : cases) {
        EXPECT_EQ(filter.accepts(input), verdict) << name << ": " << filter.accepts(input).reason();
    }
    filter.minBytes = 1000;
    filter.minPixels = 100;
    EXPECT_EQ(filter.accepts(png(100, 100, 999)), Verdict::reject("under 1000 bytes"));
    EXPECT_EQ(filter.accepts(png(99, 100, 1000)), Verdict::reject("smaller than 100 px"));
}

TEST(ItemFilterTest, TurnedOffKindComesBeforeAgeGlobAndSize) {
    ItemFilter filter{.ignoreGlobs = {"*"}, .oldest = 5000, .kinds = {ShelfItemKind::pdf}};
    EXPECT_EQ(filter.accepts(png(1, 1, 1)), Verdict::reject("image is turned off in Settings"));
    FilterInput video{.kind = ShelfItemKind::video, .fileExtension = "mp4", .byteCount = 1};
    EXPECT_EQ(filter.accepts(video), Verdict::reject("video is turned off in Settings"));
    FilterInput pdf{.kind = ShelfItemKind::pdf, .fileExtension = "pdf", .byteCount = 1, .createdAt = 4999};
    EXPECT_EQ(filter.accepts(pdf), Verdict::reject("older than retention"));
    pdf.createdAt = 5000;
    pdf.sourcePath = "/a.pdf";
    EXPECT_EQ(filter.accepts(pdf), Verdict::reject("matches BRIMLY_IGNORE_GLOBS *"));
}

TEST(ItemFilterTest, GlobsMatchTheWholePathAndTheFirstMatchNamesThePattern) {
    ItemFilter filter{.ignoreGlobs = {"*/cache/*", "*.tmp", "*.png"}};
    const std::pair<const char*, const char*> cases[] = {
        {"/x/y/z.tmp", "matches BRIMLY_IGNORE_GLOBS *.tmp"},  // "*" crosses "/"
        {"/x/cache/y.png", "matches BRIMLY_IGNORE_GLOBS */cache/*"},
        {"/x/.hidden.png", "matches BRIMLY_IGNORE_GLOBS *.png"},  // a leading "." needs no special match
        {"/x/y.tmp.txt", nullptr},
    };
    for (const auto& [path, reason] : cases) {
        FilterInput input{
            .kind = ShelfItemKind::html, .fileExtension = "txt", .byteCount = 4000, .sourcePath = path};
        EXPECT_EQ(filter.accepts(input), reason ? Verdict::reject(reason) : Verdict::accept()) << path;
    }
    FilterInput noPath = png(100, 100);
    noPath.sourcePath.reset();
    EXPECT_TRUE(filter.accepts(noPath).isAccepted());
}

TEST(ItemFilterTest, ProjectFolderRule) {
    const char* inside = "inside the session's project folder";
    // input, outside the project only, reason
    const std::tuple<FilterInput, bool, const char*> cases[] = {
        {withPath(png(64, 64), "/a/b/c.png", "/a/b/"), true, inside},
        {withPath(png(64, 64), "/a/b/c.png", "/a/b"), true, inside},
        {withPath(png(64, 64), "/a/b", "/a/b/"), true, inside},
        {withPath(png(64, 64), "/a/bc.png", "/a/b/"), true, nullptr},
        {withPath(png(64, 64), "/a/b/c.png", "/"), true, nullptr},
        {withPath(png(64, 64), "/a/b/c.png", "/a"), true, inside},
        {withPath(png(64, 64), "a/b.png", "a"), true, nullptr},
        {withPath(png(64, 64), "/a/b/c.png", "/a/b/", Source::folder), true, nullptr},
        {withPath(png(64, 64), "/a/b/c.png", "/a/b/", std::nullopt), true, inside},
        {withPath(png(64, 64), "/a/b/c.png", "/a/b/"), false, nullptr},
        {withPath(png(64, 64), "/a/b/c.png", std::nullopt), true, nullptr},
    };
    for (const auto& [input, outsideOnly, reason] : cases) {
        EXPECT_EQ(ItemFilter{.outsideProjectOnly = outsideOnly}.accepts(input),
                  reason ? Verdict::reject(reason) : Verdict::accept())
            << *input.sourcePath << " in " << input.projectFolder.value_or("(none)");
    }
}

TEST(ItemFilterTest, GlobsFromTheEnvironment) {
    const std::pair<std::optional<std::string>, std::vector<std::string>> cases[] = {
        {" *.tmp , , */cache/*", {"*.tmp", "*/cache/*"}},
        {std::nullopt, {}},
        {"", {}},
        {",,", {}},
        {"\t*.log\n", {"*.log"}},
        {"b,a,b", {"b", "a", "b"}},
    };
    for (const auto& [value, patterns] : cases) {
        Environment env;
        if (value) env["BRIMLY_IGNORE_GLOBS"] = *value;
        EXPECT_EQ(ItemFilter::globs(env), patterns) << value.value_or("(absent)");
    }
}

}  // namespace
}  // namespace brimly
