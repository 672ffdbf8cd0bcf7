#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/Url.h"
#include "core/update/SystemVersion.h"

namespace brimly {

// The validated release feed: the newest build, where its archive is, the archive's digest and signature,
// and the notes of recent builds. Values come from `parse`, which enforces every rule below; the rest
// decides what to offer and whether a downloaded archive is the one the feed vouches for.
struct UpdateFeed {
    struct Release {
        struct Group {
            std::string label;
            std::vector<std::string> notes;

            bool operator==(const Group&) const = default;
        };

        std::string version;
        std::int64_t build = 0;
        // Shown as given, never interpreted.
        std::optional<std::string> date;
        std::vector<std::string> notes;
        std::vector<Group> groups;

        bool operator==(const Release&) const = default;
    };

    enum class Offer { upToDate, available, skipped, needsNewerSystem };

    // Notes kept per release, and shared by all groups of one release.
    static constexpr std::size_t noteBudget = 30;

    std::string version;
    std::int64_t build = 0;
    std::string minimumSystemVersion;
    Url url;
    // 64 lower-case hexadecimal characters.
    std::string sha256;
    // The 64 raw bytes of the Ed25519 signature of the archive.
    std::string signature;
    std::optional<Url> changelogURL;
    // Highest build first.
    std::vector<Release> releases;

    static std::optional<UpdateFeed> parse(std::string_view document, bool allowInsecureLocal);
    // An https address, or with `allowInsecureLocal` an http one on a loopback host.
    static std::optional<Url> releaseURL(std::string_view text, bool allowInsecureLocal);
    // The 32 raw bytes of an Ed25519 public key from its Base64 text.
    static std::optional<std::string> publicKey(std::string_view text);

    Offer offer(std::int64_t currentBuild, const OperatingSystemVersion& system,
                std::optional<std::int64_t> skippedBuild, bool manual) const;
    // The releases newer than `build`, newest first.
    std::vector<Release> notes(std::int64_t since) const;
    // Whether `zip` has the feed's digest and carries the feed's signature under `publicKey`.
    bool verify(std::string_view zip, std::string_view publicKey) const;

    bool operator==(const UpdateFeed&) const = default;
};

}  // namespace brimly
