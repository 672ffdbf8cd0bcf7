#include <gtest/gtest.h>

#include <unordered_set>
#include <utility>

#include "core/engine/Candidate.h"

namespace brimly {
namespace {

TEST(Candidate, Base64TextIsMovedNotCopied) {
    std::string text(1 << 20, 'A');
    const char* buffer = text.data();
    Candidate candidate{
        .source = Source::transcript, .payload = {Payload::Base64{std::move(text), "png"}}, .createdAt = 0};
    Candidate moved = std::move(candidate);
    EXPECT_EQ(std::get<Payload::Base64>(moved.payload.value).text.data(), buffer);
}

TEST(ArtifactInfo, EqualityAndHashingCoverEveryField) {
    ArtifactInfo info{"abc", *Url::parse("https://claude.ai/public/artifacts/abc"), "Title", "/w/page.html"};
    std::unordered_set<ArtifactInfo> set{info};
    EXPECT_EQ(set.count(info), 1u);
    ArtifactInfo untitled = info, emptyTitle = info, otherPath = info;
    untitled.title.reset();
    emptyTitle.title = "";
    otherPath.path = "/w/other.html";
    for (const ArtifactInfo& other : {untitled, emptyTitle, otherPath}) {
        EXPECT_NE(other, info);
        EXPECT_EQ(set.count(other), 0u);
    }
    EXPECT_NE(std::hash<ArtifactInfo>{}(untitled), std::hash<ArtifactInfo>{}(emptyTitle));
}

// Rejections of transcript captures once all read "skipped transcript: unreadable", naming no file.
TEST(Candidate, DescribedByTheFileItStandsFor) {
    Candidate read{.payload = Payload{Payload::Base64{"aGk=", "png"}}, .sessionID = "s1"};
    read.readPath = "/shots/a.png";
    Candidate file{.payload = Payload{Payload::File{Url::fromPath("/w/b.pdf")}}};
    Candidate page{.payload =
                       Payload{Payload::Artifact{ArtifactInfo{"x", *Url::parse("https://claude.ai/p/x")}}}};
    Candidate embedded{.payload = Payload{Payload::Base64{"aGk=", "png"}}, .sessionID = "s1"};
    EXPECT_EQ(describe(read), "/shots/a.png");
    EXPECT_EQ(describe(file), "/w/b.pdf");
    EXPECT_EQ(describe(page), "https://claude.ai/p/x");
    EXPECT_EQ(describe(embedded), "an image in session s1");
}

}  // namespace
}  // namespace brimly
