#include "core/base/Url.h"

#include <limits>
#include <memory>

#include "core/base/Ascii.h"
#include "core/base/CurlUrl.h"
#include "core/base/Utf8.h"

namespace brimly {

namespace {

struct UrlHandleDeleter {
    void operator()(CURLU* handle) const { CurlUrl::functions()->cleanup(handle); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlHandleDeleter>;

std::optional<std::string> part(const CurlUrl::Functions& curl, CURLU* handle, CURLUPart which) {
    char* value = nullptr;
    if (curl.get(handle, which, &value, 0) != CURLUE_OK || value == nullptr) return std::nullopt;
    std::string result(value);
    curl.free(value);
    return result;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isPlain(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

constexpr std::string_view plainFilePrefix = "file:///";

// A file URL as `fromPath` writes it, whose path libcurl would give back exactly as it stands: only plain
// bytes and well-formed escapes, no empty, "." or ".." segment. Parsing these without libcurl is what keeps
// loading a large shelf fast.
bool isPlainFileUrl(std::string_view text) {
    if (!text.starts_with(plainFilePrefix)) return false;
    std::string_view path = text.substr(plainFilePrefix.size() - 1);
    for (std::size_t i = 0; i < path.size(); ++i) {
        char c = path[i];
        if (c == '/') {
            std::size_t next = path.find('/', i + 1);
            std::string_view segment =
                path.substr(i + 1, next == std::string_view::npos ? next : next - i - 1);
            // A folder's URL ends in an empty segment; one inside is "//". Escaped dots are dots to libcurl.
            if (segment.empty() && next != std::string_view::npos) return false;
            if (segment.size() <= 6) {
                std::string decoded = percentDecode(segment);
                if (decoded == "." || decoded == "..") return false;
            }
        } else if (c == '%') {
            if (i + 2 >= path.size() || hexValue(path[i + 1]) < 0 || hexValue(path[i + 2]) < 0) return false;
            i += 2;
        } else if (!isPlain(c)) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string percentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int high = hexValue(text[i + 1]);
            int low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

std::string percentEncodePath(std::string_view path) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        auto byte = static_cast<unsigned char>(c);
        if (isPlain(c)) {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(hex[byte >> 4]);
            out.push_back(hex[byte & 15]);
        }
    }
    return out;
}

std::optional<Url> Url::parse(std::string_view text) {
    if (text.empty() || text.find('\0') != std::string_view::npos) return std::nullopt;
    if (text.size() > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    if (isPlainFileUrl(text)) return fromPlainFileText(std::string(text));
    const auto* curl = CurlUrl::functions();
    if (curl == nullptr) return std::nullopt;
    UrlHandle handle(curl->create());
    if (!handle) return std::nullopt;
    std::string copy(text);
    if (curl->set(handle.get(), CURLUPART_URL, copy.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) {
        return std::nullopt;
    }
    auto scheme = part(*curl, handle.get(), CURLUPART_SCHEME);
    if (!scheme) return std::nullopt;
    // curl accepts a scheme-less text by guessing; an absolute URL must name its scheme itself.
    if (copy.size() <= scheme->size() || copy.compare(0, scheme->size(), *scheme) != 0 ||
        copy[scheme->size()] != ':') {
        std::string lowered = Ascii::lowercased(std::string_view(copy).substr(0, scheme->size()));
        if (lowered != *scheme || copy.size() <= scheme->size() || copy[scheme->size()] != ':')
            return std::nullopt;
    }
    auto parts = std::make_shared<Parts>();
    parts->scheme = std::move(*scheme);
    parts->host = part(*curl, handle.get(), CURLUPART_HOST);
    if (parts->host && parts->host->empty()) parts->host.reset();
    std::string rawPath = part(*curl, handle.get(), CURLUPART_PATH).value_or("");
    Url url;
    url.m_text = std::move(copy);
    auto at = url.m_text.find(rawPath, parts->scheme.size());
    if (at == std::string::npos) {
        parts->path = std::move(rawPath);
    } else {
        url.m_pathBegin = static_cast<std::uint32_t>(at);
        url.m_pathLength = static_cast<std::uint32_t>(rawPath.size());
    }
    url.m_parts = std::move(parts);
    return url;
}

Url Url::fromPath(std::string_view path) { return fromPlainFileText("file://" + percentEncodePath(path)); }

Url Url::fromPlainFileText(std::string text) {
    Url url;
    url.m_text = std::move(text);
    url.m_schemeLength = 4;
    url.m_pathBegin = static_cast<std::uint32_t>(plainFilePrefix.size() - 1);
    url.m_pathLength = static_cast<std::uint32_t>(url.m_text.size() - url.m_pathBegin);
    return url;
}

std::string_view Url::schemeView() const {
    if (m_parts) return m_parts->scheme;
    return std::string_view(m_text).substr(0, m_schemeLength);
}

std::optional<std::string> Url::host() const { return m_parts ? m_parts->host : std::nullopt; }

std::string_view Url::rawPath() const {
    if (m_parts && m_parts->path) return *m_parts->path;
    return std::string_view(m_text).substr(m_pathBegin, m_pathLength);
}

std::optional<std::string> Url::path() const {
    if (!isFile()) return std::nullopt;
    return percentDecode(rawPath());
}

std::string Url::decodedPath() const { return percentDecode(rawPath()); }

Url Url::appending(std::string_view component) const {
    std::string base = path().value_or(decodedPath());
    if (base.empty() || base.back() != '/') base.push_back('/');
    base.append(component);
    return fromPath(base);
}

std::string storedPath(std::string_view path) {
    if (Utf8::isValid(path) || !path.starts_with('/')) return std::string(path);
    return Url::fromPath(path).string();
}

std::string pathFromStored(std::string_view text) {
    // No absolute path starts like this, so plain paths written by earlier versions read as they were.
    constexpr std::string_view prefix = "file:///";
    if (!text.starts_with(prefix)) return std::string(text);
    return percentDecode(text.substr(prefix.size() - 1));
}

}  // namespace brimly
