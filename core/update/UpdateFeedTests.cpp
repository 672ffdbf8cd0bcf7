#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <memory>

#include "core/base/Crypto.h"
#include "core/base/Json.h"
#include "core/update/UpdateFeed.h"

namespace brimly {
namespace {

// An Ed25519 key from a fixed seed, so that signatures in these tests are real ones.
class SigningKey {
public:
    explicit SigningKey(char seed) {
        const std::string secret(32, seed);
        m_key.reset(EVP_PKEY_new_raw_private_key(
            EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(secret.data()), secret.size()));
    }

    bool isValid() const { return m_key != nullptr; }

    std::string publicKey() const {
        std::string raw(32, '\0');
        std::size_t length = raw.size();
        EVP_PKEY_get_raw_public_key(m_key.get(), reinterpret_cast<unsigned char*>(raw.data()), &length);
        return raw.substr(0, length);
    }

    std::string sign(std::string_view message) const {
        std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
        std::string signature(64, '\0');
        std::size_t length = signature.size();
        bool ok = EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, m_key.get()) == 1 &&
                  EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                                 reinterpret_cast<const unsigned char*>(message.data()), message.size()) == 1;
        return ok ? signature.substr(0, length) : std::string();
    }

private:
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> m_key{nullptr, &EVP_PKEY_free};
};

Json validFeed() {
    return Json{
        {"version", "1.4.0"},
        {"build", 140},
        {"minimumSystemVersion", "14.2"},
        {"url", "https://downloads.example.com/Brimly-1.4.0.zip"},
        {"sha256", std::string(64, 'a')},
        {"signature", Crypto::base64Encode(std::string(64, '\x07'))},
    };
}

std::optional<UpdateFeed> parse(const Json& document, bool allowInsecureLocal = false) {
    return UpdateFeed::parse(JsonIO::dump(document), allowInsecureLocal);
}

Json releaseWith(std::string version, Json build, Json notes) {
    return Json{{"version", std::move(version)}, {"build", std::move(build)}, {"notes", std::move(notes)}};
}

Json numberedNotes(int count, const std::string& prefix = "note ") {
    Json notes = Json::array();
    for (int i = 1; i <= count; ++i) notes.push_back(prefix + std::to_string(i));
    return notes;
}

TEST(UpdateFeed, ParsesAValidFeed) {
    Json document = validFeed();
    document["sha256"] = "ABCDEF0123456789abcdef0123456789ABCDEF0123456789abcdef0123456789";
    document["changelogURL"] = " https://example.com/changes\n";
    const UpdateFeed expected{"1.4.0",
                              140,
                              "14.2",
                              *Url::parse("https://downloads.example.com/Brimly-1.4.0.zip"),
                              "abcdef0123456789abcdef0123456789abcdef0123456789abcdef0123456789",
                              std::string(64, '\x07'),
                              Url::parse("https://example.com/changes"),
                              {}};
    EXPECT_EQ(parse(document), expected);
}

TEST(UpdateFeed, RejectsFeedsThatBreakARule) {
    // name, key, its value, accepted
    const std::tuple<const char*, const char*, Json, bool> cases[] = {
        {"sha256 63 characters", "sha256", std::string(63, 'a'), false},
        {"sha256 non-hex", "sha256", std::string(63, 'a') + "g", false},
        {"sha256 upper case", "sha256", std::string(64, 'F'), true},
        {"signature 63 bytes", "signature", Crypto::base64Encode(std::string(63, 'x')), false},
        {"signature not Base64", "signature", std::string(88, '*'), false},
        {"system version with a letter", "minimumSystemVersion", "14a", false},
        {"system version three numbers", "minimumSystemVersion", "14.1.2", true},
        {"empty version", "version", "", false},
        {"build zero", "build", 0, false},
        {"build negative", "build", -3, false},
        {"build as text", "build", "140", false},
        {"build fractional", "build", 140.5, false},
        {"build whole float", "build", 140.0, true},
        {"build past 64 bits", "build", 18446744073709551615ull, false},
        {"plain http address", "url", "http://downloads.example.com/a.zip", false},
        {"changelog of the wrong type", "changelogURL", 3, false},
        {"releases not a list", "releases", Json::object(), false},
        {"release without a build", "releases", Json::array({Json{{"version", "1"}, {"notes", {"x"}}}}),
         false},
        {"release notes not text", "releases", Json::array({releaseWith("1", 1, Json::array({1}))}), false},
    };
    for (const auto& [name, key, value, accepted] : cases) {
        Json document = validFeed();
        document[key] = value;
        EXPECT_EQ(parse(document).has_value(), accepted) << name;
    }
    for (const char* key : {"version", "build", "minimumSystemVersion", "url", "sha256", "signature"}) {
        Json document = validFeed();
        document.erase(key);
        EXPECT_FALSE(parse(document)) << "without " << key;
    }
    EXPECT_FALSE(UpdateFeed::parse("[]", false));
    EXPECT_FALSE(UpdateFeed::parse("{\"version\":", false));
    EXPECT_FALSE(UpdateFeed::parse("", false));
}

TEST(UpdateFeed, InsecureLocalAddressesOnlyWhenAllowedAndABadChangelogIsDropped) {
    Json local = validFeed();
    local["url"] = "http://127.0.0.1:8080/a.zip";
    EXPECT_FALSE(parse(local, false));
    EXPECT_TRUE(parse(local, true));

    for (Json address :
         Json::array({"not a url", "http://example.com/changes", "", "javascript:alert(1)", nullptr})) {
        Json document = validFeed();
        document["changelogURL"] = address;
        auto feed = parse(document);
        ASSERT_TRUE(feed) << address;
        EXPECT_FALSE(feed->changelogURL) << address;
    }
}

TEST(UpdateFeed, ReleaseAddresses) {
    // address, accepted as a release address, accepted when local ones are allowed
    const std::tuple<const char*, bool, bool> cases[] = {
        {"https://example.com/feed.json", true, true},
        {"http://localhost:8000/feed.json", false, true},
        {"http://127.0.0.1/feed.json", false, true},
        {"http://[::1]:9000/feed.json", false, true},
        {"http://example.com/feed.json", false, false},
        {"http://localhost.example.com/feed.json", false, false},
        {"http://localhost@example.com/feed.json", false, false},
        {"http://192.168.1.2/feed.json", false, false},
        {"http://127.1/feed.json", false, false},
        {"http://LocalHost:80", false, true},
        {"http://[0:0::1]/feed.json", false, false},
        {"http://user@localhost/feed.json", false, false},
        {"http://localhost:/feed.json", false, false},
        {"ftp://localhost/feed.json", false, false},
        {"file:///etc/passwd", false, false},
        {"HTTPS://example.com/feed.json", false, false},
        {"https:example.com/feed.json", false, false},
        {"https://", false, false},
        {"https:///path", false, false},
        {"", false, false},
        {" \n\t", false, false},
        {"example.com/feed.json", false, false},
    };
    for (const auto& [text, secureOnly, withLocal] : cases) {
        EXPECT_EQ(UpdateFeed::releaseURL(text, false).has_value(), secureOnly) << text;
        EXPECT_EQ(UpdateFeed::releaseURL(text, true).has_value(), withLocal) << text;
    }
    EXPECT_EQ(UpdateFeed::releaseURL(" https://example.com/x \n", false)->string(), "https://example.com/x");
}

TEST(UpdateFeed, PublicKeyIsExactly32Bytes) {
    std::string key(32, '\x42');
    EXPECT_EQ(UpdateFeed::publicKey(" " + Crypto::base64Encode(key) + "\n"), key);
    for (std::string bad :
         {Crypto::base64Encode(std::string(31, 'k')), Crypto::base64Encode(std::string(33, 'k')),
          std::string("not base64!"), std::string()})
        EXPECT_FALSE(UpdateFeed::publicKey(bad)) << bad;
}

TEST(UpdateFeed, Offers) {
    using Offer = UpdateFeed::Offer;
    auto feed = parse(validFeed());  // build 140, minimum 14.2
    ASSERT_TRUE(feed);
    const OperatingSystemVersion recent{15, 0, 0};
    using Build = std::optional<std::int64_t>;
    // name, running build, running system, skipped build, checked by hand, offer
    const std::tuple<const char*, std::int64_t, OperatingSystemVersion, Build, bool, Offer> cases[] = {
        {"older build", 139, recent, std::nullopt, false, Offer::available},
        {"same build", 140, recent, std::nullopt, false, Offer::upToDate},
        {"newer build", 141, recent, std::nullopt, true, Offer::upToDate},
        {"same build beats an old system", 140, {13, 0, 0}, std::nullopt, false, Offer::upToDate},
        {"old major", 100, {13, 9, 9}, std::nullopt, false, Offer::needsNewerSystem},
        {"old minor", 100, {14, 1, 9}, std::nullopt, true, Offer::needsNewerSystem},
        {"exact minimum", 100, {14, 2, 0}, std::nullopt, false, Offer::available},
        {"old system beats a skip", 100, {14, 1, 0}, 140, false, Offer::needsNewerSystem},
        {"skipped automatic", 100, recent, 140, false, Offer::skipped},
        {"skipped manual", 100, recent, 140, true, Offer::available},
        {"skipped later build", 100, recent, 150, false, Offer::skipped},
        {"skipped earlier build", 100, recent, 139, false, Offer::available},
    };
    for (const auto& [name, current, system, skipped, manual, expected] : cases) {
        EXPECT_EQ(feed->offer(current, system, skipped, manual), expected) << name;
    }
    UpdateFeed broken = *feed;
    broken.minimumSystemVersion = "fourteen";
    EXPECT_EQ(broken.offer(100, recent, std::nullopt, true), Offer::needsNewerSystem);
}

TEST(UpdateFeed, ReleasesAreCleanedDroppedAndSorted) {
    Json releases = Json::array({
        releaseWith("1.1", 110, {"  fixed a crash \n", "", " \t "}),
        releaseWith("1.3", 130, {"three"}),
        releaseWith("  ", 125, {"blank version"}),
        releaseWith("1.0", 0, {"build zero"}),
        releaseWith("0.9", -1, {"negative build"}),
        releaseWith("1.2.5", 120, {" ", "\n"}),
        releaseWith(" 1.2 ", 120, {"two"}),
        Json{{"version", "1.05"}, {"build", 105}},
    });
    releases[1]["date"] = " 2026-03-01 ";
    Json document = validFeed();
    document["releases"] = releases;
    auto feed = parse(document);
    ASSERT_TRUE(feed);
    std::vector<UpdateFeed::Release> expected = {
        {"1.3", 130, "2026-03-01", {"three"}, {}},
        {"1.2", 120, std::nullopt, {"two"}, {}},
        {"1.1", 110, std::nullopt, {"fixed a crash"}, {}},
    };
    EXPECT_EQ(feed->releases, expected);

    EXPECT_EQ(feed->notes(110), (std::vector<UpdateFeed::Release>{expected[0], expected[1]}));
    EXPECT_TRUE(feed->notes(130).empty());
    EXPECT_EQ(feed->notes(0), expected);
}

TEST(UpdateFeed, NoteBudgets) {
    Json release = releaseWith("2.0", 200, numberedNotes(40));
    release["groups"] = Json::array({
        Json{{"label", " New "}, {"notes", numberedNotes(20, "a")}},
        Json{{"notes", {"", " "}}},
        Json{{"label", "Fixes"}, {"notes", numberedNotes(20, "b")}},
        Json{{"label", "Later"}, {"notes", numberedNotes(5, "c")}},
    });
    Json document = validFeed();
    document["releases"] = Json::array({release});
    auto feed = parse(document);
    ASSERT_TRUE(feed);
    ASSERT_EQ(feed->releases.size(), 1u);
    const auto& kept = feed->releases[0];
    ASSERT_EQ(kept.notes.size(), 30u);
    EXPECT_EQ(kept.notes.back(), "note 30");
    // Groups share the same budget; a group left without notes is dropped.
    ASSERT_EQ(kept.groups.size(), 2u);
    EXPECT_EQ(kept.groups[0],
              (UpdateFeed::Release::Group{"New", numberedNotes(20, "a").get<std::vector<std::string>>()}));
    EXPECT_EQ(kept.groups[1],
              (UpdateFeed::Release::Group{"Fixes", numberedNotes(10, "b").get<std::vector<std::string>>()}));

    Json unlabelled = releaseWith("2.1", 210, {"x"});
    unlabelled["groups"] = Json::array({Json{{"notes", {"y"}}}});
    document["releases"] = Json::array({unlabelled});
    feed = parse(document);
    ASSERT_TRUE(feed);
    EXPECT_EQ(feed->releases.at(0).groups, (std::vector<UpdateFeed::Release::Group>{{"", {"y"}}}));
}

class UpdateVerification : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(signer.isValid());
        ASSERT_TRUE(stranger.isValid());
        archive = "PK\x03\x04";
        for (int i = 0; i < 5000; ++i) archive += static_cast<char>(i * 31 % 251);
    }

    UpdateFeed feedFor(std::string_view digestOf, const std::string& signature) const {
        Json document = validFeed();
        document["sha256"] = Crypto::sha256Hex(digestOf);
        document["signature"] = Crypto::base64Encode(signature);
        auto feed = parse(document);
        EXPECT_TRUE(feed);
        return feed ? *feed : UpdateFeed{.url = *Url::parse("https://x/")};
    }

    SigningKey signer{'s'};
    SigningKey stranger{'t'};
    std::string archive;
};

TEST_F(UpdateVerification, AcceptsTheSignedArchiveAndRejectsEveryForgery) {
    std::string truncated = archive.substr(0, archive.size() - 1);
    std::string tampered = archive;
    tampered[100] = static_cast<char>(tampered[100] ^ 1);
    std::string digestBytes;
    for (auto byte : Crypto::sha256(archive)) digestBytes.push_back(static_cast<char>(byte));
    const std::string key = signer.publicKey();
    // clang-format off
    // name, feed, archive, public key, verified
    const std::tuple<const char*, UpdateFeed, std::string, std::string, bool> cases[] = {
        {"signed archive", feedFor(archive, signer.sign(archive)), archive, key, true},
        {"configured key", feedFor(archive, signer.sign(archive)), archive, UpdateFeed::publicKey(Crypto::base64Encode(key)).value_or(""), true},
        {"wrong digest", feedFor(archive + "x", signer.sign(archive)), archive, key, false},
        {"another key's signature", feedFor(archive, stranger.sign(archive)), archive, key, false},
        {"signature over the binary digest", feedFor(archive, signer.sign(digestBytes)), archive, key, false},
        {"signature over the hex digest", feedFor(archive, signer.sign(Crypto::sha256Hex(archive))), archive, key, false},
        {"truncated archive", feedFor(archive, signer.sign(archive)), truncated, key, false},
        {"truncated archive with its own digest", feedFor(truncated, signer.sign(archive)), truncated, key, false},
        {"tampered byte with its own digest", feedFor(tampered, signer.sign(archive)), tampered, key, false},
        {"verified with another key", feedFor(archive, signer.sign(archive)), archive, stranger.publicKey(), false},
        {"short key", feedFor(archive, signer.sign(archive)), archive, key.substr(0, 31), false},
        {"empty key", feedFor(archive, signer.sign(archive)), archive, "", false},
    };
    // clang-format on
    for (const auto& [name, feed, zip, publicKey, valid] : cases)
        EXPECT_EQ(feed.verify(zip, publicKey), valid) << name;
}

}  // namespace
}  // namespace brimly
