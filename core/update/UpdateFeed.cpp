#include "core/update/UpdateFeed.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/base/Crypto.h"
#include "core/base/Json.h"
#include "core/base/Utf8.h"

namespace brimly {

namespace {

// Decoding follows the feed's declared shape strictly: a required key that is missing, or any key present
// with a value of another type, fails the document. An optional key that is null counts as absent.
enum class Field { absent, present, wrongType };

const Json* member(const Json& object, const char* key) {
    auto found = object.find(key);
    if (found == object.end() || found->is_null()) return nullptr;
    return &*found;
}

Field readString(const Json& object, const char* key, std::string& out) {
    const Json* value = member(object, key);
    if (value == nullptr) return Field::absent;
    if (!value->is_string()) return Field::wrongType;
    out = value->get<std::string>();
    return Field::present;
}

// Integral JSON numbers within the signed 64-bit range; a float is accepted only when it is a whole number
// that a double represents exactly.
Field readInteger(const Json& object, const char* key, std::int64_t& out) {
    const Json* value = member(object, key);
    if (value == nullptr) return Field::absent;
    if (value->is_number_unsigned()) {
        auto unsignedValue = value->get<std::uint64_t>();
        if (unsignedValue > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return Field::wrongType;
        out = static_cast<std::int64_t>(unsignedValue);
        return Field::present;
    }
    if (value->is_number_integer()) {
        out = value->get<std::int64_t>();
        return Field::present;
    }
    if (value->is_number_float()) {
        double real = value->get<double>();
        if (!std::isfinite(real) || real != std::floor(real) || std::fabs(real) > 9007199254740992.0)
            return Field::wrongType;
        out = static_cast<std::int64_t>(real);
        return Field::present;
    }
    return Field::wrongType;
}

Field readStrings(const Json& object, const char* key, std::vector<std::string>& out) {
    const Json* value = member(object, key);
    if (value == nullptr) return Field::absent;
    if (!value->is_array()) return Field::wrongType;
    out.clear();
    for (const Json& element : *value) {
        if (!element.is_string()) return Field::wrongType;
        out.push_back(element.get<std::string>());
    }
    return Field::present;
}

std::string trimmed(std::string_view text) { return std::string(Utf8::trimWhitespaceAndNewlines(text)); }

std::vector<std::string> cleaned(const std::vector<std::string>& notes) {
    std::vector<std::string> result;
    for (const std::string& note : notes) {
        std::string text = trimmed(note);
        if (!text.empty()) result.push_back(std::move(text));
    }
    return result;
}

// The raw shape of one "releases" element, before conversion.
struct RawGroup {
    std::string label;
    std::vector<std::string> notes;
};

struct RawRelease {
    std::string version;
    std::int64_t build = 0;
    std::optional<std::string> date;
    std::vector<std::string> notes;
    std::vector<RawGroup> groups;
};

std::optional<RawGroup> decodeGroup(const Json& object) {
    if (!object.is_object()) return std::nullopt;
    RawGroup group;
    if (readString(object, "label", group.label) == Field::wrongType) return std::nullopt;
    if (readStrings(object, "notes", group.notes) == Field::wrongType) return std::nullopt;
    return group;
}

std::optional<RawRelease> decodeRelease(const Json& object) {
    if (!object.is_object()) return std::nullopt;
    RawRelease release;
    if (readString(object, "version", release.version) != Field::present) return std::nullopt;
    if (readInteger(object, "build", release.build) != Field::present) return std::nullopt;
    std::string date;
    switch (readString(object, "date", date)) {
        case Field::present:
            release.date = std::move(date);
            break;
        case Field::absent:
            break;
        case Field::wrongType:
            return std::nullopt;
    }
    if (readStrings(object, "notes", release.notes) == Field::wrongType) return std::nullopt;
    const Json* groups = member(object, "groups");
    if (groups != nullptr) {
        if (!groups->is_array()) return std::nullopt;
        for (const Json& element : *groups) {
            auto group = decodeGroup(element);
            if (!group) return std::nullopt;
            release.groups.push_back(std::move(*group));
        }
    }
    return release;
}

std::optional<UpdateFeed::Release> convert(const RawRelease& raw) {
    UpdateFeed::Release release;
    release.version = trimmed(raw.version);
    if (release.version.empty() || raw.build <= 0) return std::nullopt;
    release.build = raw.build;
    release.notes = cleaned(raw.notes);
    if (release.notes.empty()) return std::nullopt;
    if (release.notes.size() > UpdateFeed::noteBudget) release.notes.resize(UpdateFeed::noteBudget);
    std::size_t budget = UpdateFeed::noteBudget;
    for (const RawGroup& rawGroup : raw.groups) {
        std::vector<std::string> notes = cleaned(rawGroup.notes);
        if (notes.empty() || budget == 0) continue;
        if (notes.size() > budget) notes.resize(budget);
        budget -= notes.size();
        release.groups.push_back({trimmed(rawGroup.label), std::move(notes)});
    }
    if (raw.date) release.date = trimmed(*raw.date);
    return release;
}

bool isLowerHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

std::string asciiLowercased(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// "localhost", "127.0.0.1" or "[::1]", each optionally with a numeric port, and nothing else: no user
// information, no other spelling of a loopback address.
bool isLoopbackAuthority(std::string_view authority) {
    std::size_t hostEnd = authority.front() == '[' ? authority.find(']') : authority.find(':');
    if (authority.front() == '[') {
        if (hostEnd == std::string_view::npos) return false;
        ++hostEnd;
    }
    std::string host = asciiLowercased(std::string(authority.substr(0, hostEnd)));
    if (host != "localhost" && host != "127.0.0.1" && host != "[::1]") return false;
    if (hostEnd >= authority.size()) return true;
    std::string_view port = authority.substr(hostEnd);
    if (port.size() < 2 || port.front() != ':') return false;
    return std::all_of(port.begin() + 1, port.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::optional<UpdateFeed> UpdateFeed::parse(std::string_view document, bool allowInsecureLocal) {
    auto json = JsonIO::parse(document);
    if (!json || !json->is_object()) return std::nullopt;
    std::string version;
    std::int64_t build = 0;
    std::string minimumSystemVersion;
    std::string urlText;
    std::string sha256;
    std::string signatureText;
    if (readString(*json, "version", version) != Field::present ||
        readInteger(*json, "build", build) != Field::present ||
        readString(*json, "minimumSystemVersion", minimumSystemVersion) != Field::present ||
        readString(*json, "url", urlText) != Field::present ||
        readString(*json, "sha256", sha256) != Field::present ||
        readString(*json, "signature", signatureText) != Field::present) {
        return std::nullopt;
    }
    std::string changelogText;
    Field changelog = readString(*json, "changelogURL", changelogText);
    if (changelog == Field::wrongType) return std::nullopt;
    std::vector<RawRelease> rawReleases;
    if (const Json* list = member(*json, "releases")) {
        if (!list->is_array()) return std::nullopt;
        for (const Json& element : *list) {
            auto release = decodeRelease(element);
            if (!release) return std::nullopt;
            rawReleases.push_back(std::move(*release));
        }
    }

    if (version.empty() || build <= 0) return std::nullopt;
    if (!SystemVersion::parse(minimumSystemVersion)) return std::nullopt;
    auto url = releaseURL(urlText, allowInsecureLocal);
    if (!url) return std::nullopt;
    sha256 = asciiLowercased(std::move(sha256));
    if (sha256.size() != 64 || !std::all_of(sha256.begin(), sha256.end(), isLowerHex)) return std::nullopt;
    auto signature = Crypto::base64Decode(signatureText);
    if (!signature || signature->size() != 64) return std::nullopt;
    std::optional<Url> changelogURL;
    if (changelog == Field::present) changelogURL = releaseURL(changelogText, allowInsecureLocal);

    std::vector<Release> releases;
    for (const RawRelease& raw : rawReleases) {
        if (auto release = convert(raw)) releases.push_back(std::move(*release));
    }
    std::stable_sort(releases.begin(), releases.end(),
                     [](const Release& a, const Release& b) { return a.build > b.build; });

    return UpdateFeed{
        .version = std::move(version),
        .build = build,
        .minimumSystemVersion = std::move(minimumSystemVersion),
        .url = std::move(*url),
        .sha256 = std::move(sha256),
        .signature = std::move(*signature),
        .changelogURL = std::move(changelogURL),
        .releases = std::move(releases),
    };
}

std::optional<Url> UpdateFeed::releaseURL(std::string_view text, bool allowInsecureLocal) {
    std::string_view address = Utf8::trimWhitespaceAndNewlines(text);
    if (address.empty()) return std::nullopt;
    auto url = Url::parse(address);
    if (!url || !url->host()) return std::nullopt;
    // The scheme and host are judged as written, not as one URL parser normalises them ("https:///x",
    // "http://127.1"), so that the downloader, which parses the text again, reaches the host judged here.
    std::string_view scheme = address.substr(0, address.find(':'));
    if (address.substr(scheme.size(), 3) != "://") return std::nullopt;
    std::string_view authority = address.substr(scheme.size() + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    if (authority.empty()) return std::nullopt;
    if (scheme == "https") return url;
    if (scheme != "http" || !allowInsecureLocal) return std::nullopt;
    return isLoopbackAuthority(authority) ? url : std::nullopt;
}

std::optional<std::string> UpdateFeed::publicKey(std::string_view text) {
    auto key = Crypto::base64Decode(Utf8::trimWhitespaceAndNewlines(text));
    if (!key || key->size() != 32) return std::nullopt;
    return key;
}

UpdateFeed::Offer UpdateFeed::offer(std::int64_t currentBuild, const OperatingSystemVersion& system,
                                    std::optional<std::int64_t> skippedBuild, bool manual) const {
    if (currentBuild >= build) return Offer::upToDate;
    auto minimum = SystemVersion::parse(minimumSystemVersion);
    if (!minimum || !SystemVersion::isMet(*minimum, system)) return Offer::needsNewerSystem;
    if (!manual && skippedBuild && *skippedBuild >= build) return Offer::skipped;
    return Offer::available;
}

std::vector<UpdateFeed::Release> UpdateFeed::notes(std::int64_t since) const {
    std::vector<Release> result;
    for (const Release& release : releases) {
        if (release.build > since) result.push_back(release);
    }
    return result;
}

bool UpdateFeed::verify(std::string_view zip, std::string_view publicKey) const {
    if (publicKey.size() != 32 || signature.size() != 64) return false;
    if (Crypto::sha256Hex(zip) != sha256) return false;
    return Crypto::ed25519Verify(publicKey, signature, zip);
}

}  // namespace brimly
