#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace brimly {

// An absolute URL, parsed with libcurl's URL API. The text is kept as given so that stored URLs round-trip
// unchanged; file URLs made from paths percent-encode every byte that is not unreserved.
class Url {
public:
    static std::optional<Url> parse(std::string_view text);
    // `path` must be absolute; it is encoded byte by byte, so any path (spaces, non-ASCII, "%") round-trips.
    static Url fromPath(std::string_view path);

    const std::string& string() const { return m_text; }
    // In lower case.
    std::string scheme() const { return std::string(schemeView()); }
    std::optional<std::string> host() const;
    bool isFile() const { return schemeView() == "file"; }
    // The decoded path of a file URL; nothing for any other scheme.
    std::optional<std::string> path() const;
    // The same, empty for any other scheme: a file operation on it simply fails.
    std::string filePath() const { return path().value_or(std::string()); }
    // The decoded path component of any URL.
    std::string decodedPath() const;
    // A file URL with one more path component.
    Url appending(std::string_view component) const;

    bool operator==(const Url& other) const { return m_text == other.m_text; }
    bool operator<(const Url& other) const { return m_text < other.m_text; }

private:
    Url() = default;
    // `text` is a plain file URL (see `parse`).
    static Url fromPlainFileText(std::string text);
    std::string_view schemeView() const;
    // The path as it stands in the URL, still percent-encoded.
    std::string_view rawPath() const;

    // What libcurl gave for a URL it parsed: the scheme, the host and, when it is not a place in the text
    // (libcurl removes dot segments), the path. A file URL as this program writes it needs none of these.
    struct Parts {
        std::string scheme;
        std::optional<std::string> host;
        std::optional<std::string> path;
    };

    // A shelf holds a few URLs per item, so a URL is its text and where its scheme and path lie in it.
    std::string m_text;
    std::shared_ptr<const Parts> m_parts;
    std::uint32_t m_pathBegin = 0;
    std::uint32_t m_pathLength = 0;
    std::uint32_t m_schemeLength = 0;
};

std::string percentDecode(std::string_view text);
std::string percentEncodePath(std::string_view path);

// A path as stored text (JSON strings hold only UTF-8): a path that is valid UTF-8 is written as it is, which
// is what earlier versions wrote and read; any other becomes its file URL, which keeps every byte.
std::string storedPath(std::string_view path);
// The path of stored text: a "file:///" URL is decoded, any other text is a path as written.
std::string pathFromStored(std::string_view text);

}  // namespace brimly
