#include "core/base/Url.h"

#include <curl/curl.h>

#include <memory>

#include "core/base/Ascii.h"
#include "core/base/Utf8.h"

namespace brimly {

namespace {

struct UrlHandleDeleter {
    void operator()(CURLU* handle) const { curl_url_cleanup(handle); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlHandleDeleter>;

std::optional<std::string> part(CURLU* handle, CURLUPart which) {
    char* value = nullptr;
    if (curl_url_get(handle, which, &value, 0) != CURLUE_OK || value == nullptr) return std::nullopt;
    std::string result(value);
    curl_free(value);
    return result;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
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
        bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                     (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                     byte == '~' || byte == '/';
        if (plain) {
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
    UrlHandle handle(curl_url());
    if (!handle) return std::nullopt;
    std::string copy(text);
    if (curl_url_set(handle.get(), CURLUPART_URL, copy.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) {
        return std::nullopt;
    }
    auto scheme = part(handle.get(), CURLUPART_SCHEME);
    if (!scheme) return std::nullopt;
    // curl accepts a scheme-less text by guessing; an absolute URL must name its scheme itself.
    if (copy.size() <= scheme->size() || copy.compare(0, scheme->size(), *scheme) != 0 ||
        copy[scheme->size()] != ':') {
        std::string lowered = Ascii::lowercased(std::string_view(copy).substr(0, scheme->size()));
        if (lowered != *scheme || copy.size() <= scheme->size() || copy[scheme->size()] != ':')
            return std::nullopt;
    }
    Url url;
    url.m_text = std::move(copy);
    url.m_scheme = *scheme;
    url.m_host = part(handle.get(), CURLUPART_HOST);
    if (url.m_host && url.m_host->empty()) url.m_host.reset();
    url.m_rawPath = part(handle.get(), CURLUPART_PATH).value_or("");
    return url;
}

Url Url::fromPath(std::string_view path) {
    Url url;
    url.m_rawPath = percentEncodePath(path);
    url.m_text = "file://" + url.m_rawPath;
    url.m_scheme = "file";
    return url;
}

std::optional<std::string> Url::path() const {
    if (!isFile()) return std::nullopt;
    return percentDecode(m_rawPath);
}

std::string Url::decodedPath() const { return percentDecode(m_rawPath); }

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
