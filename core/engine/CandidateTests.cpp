#include <gtest/gtest.h>

#include <unordered_set>
#include <utility>

#include "core/engine/Candidate.h"

namespace brimly {
namespace {

TEST(Candidate, OptionalFieldsDefaultToAbsent) {
    Candidate candidate{.source = Source::scratchpad,
                        .payload = {Payload::File{Url::fromPath("/tmp/a.png")}},
                        .createdAt = 12.5};
    EXPECT_EQ(candidate.source, Source::scratchpad);
    EXPECT_EQ(candidate.createdAt, 12.5);
    EXPECT_FALSE(candidate.sessionID || candidate.slug || candidate.promptID || candidate.readPath ||
                 candidate.captureID || candidate.arrivedAt);
    EXPECT_TRUE(std::holds_alternative<Payload::File>(candidate.payload.value));
}

TEST(Candidate, PayloadsCompareByCaseAndContent) {
    Payload bytes{Payload::Bytes{"\x89PNG", "png"}};
    Payload base64{Payload::Base64{"\x89PNG", "png"}};
    EXPECT_NE(bytes, base64);
    EXPECT_EQ(bytes, (Payload{Payload::Bytes{"\x89PNG", "png"}}));
    EXPECT_NE(bytes, (Payload{Payload::Bytes{"\x89PNG", "jpg"}}));
}

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
    ArtifactInfo untitled = info;
    untitled.title.reset();
    ArtifactInfo emptyTitle = info;
    emptyTitle.title = "";
    ArtifactInfo otherPath = info;
    otherPath.path = "/w/other.html";
    for (const ArtifactInfo& other : {untitled, emptyTitle, otherPath}) {
        EXPECT_NE(other, info);
        EXPECT_EQ(set.count(other), 0u);
    }
    EXPECT_NE(std::hash<ArtifactInfo>{}(untitled), std::hash<ArtifactInfo>{}(emptyTitle));
}

}  // namespace
}  // namespace brimly
