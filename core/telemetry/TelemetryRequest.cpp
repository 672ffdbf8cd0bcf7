#include "core/telemetry/TelemetryRequest.h"

#include <sys/utsname.h>

#include "core/base/AtomicFile.h"
#include "core/base/Iso8601.h"
#include "core/base/Json.h"
#include "core/base/Utf8.h"

namespace brimly {

namespace {

// A reported system text is short and printable; anything longer is cut, anything malformed is dropped.
constexpr std::size_t maximumSystemTextLength = 80;

// The value of `key` in os-release text: KEY=value lines with optional shell-style quoting.
std::string osReleaseValue(std::string_view text, std::string_view key) {
    std::string result;
    for (std::string_view line : Utf8::splitLines(text)) {
        line = Utf8::trimSpaces(line);
        if (line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != '=')
            continue;
        std::string_view value = line.substr(key.size() + 1);
        result.clear();
        char quote = 0;
        if (!value.empty() && (value.front() == '"' || value.front() == '\'')) {
            quote = value.front();
            value.remove_prefix(1);
            if (!value.empty() && value.back() == quote) value.remove_suffix(1);
        }
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (quote != '\'' && value[i] == '\\' && i + 1 < value.size()) ++i;
            result.push_back(value[i]);
        }
    }
    return result;
}

std::string reportable(std::string text) {
    if (!Utf8::isValid(text)) return "";
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    return std::string(Utf8::trimSpaces(Utf8::prefix(text, maximumSystemTextLength)));
}

// The leading "major.minor" of a version text ("22.04", "3.19.1" gives "3.19", "6.1.0-18-amd64" gives "6.1"),
// empty when the text does not start with a digit. Nothing after the numbers, such as a kernel's build
// flavour, is needed to count systems.
std::string majorAndMinor(std::string_view text) {
    auto digits = [&](std::size_t from) {
        std::size_t to = from;
        while (to < text.size() && text[to] >= '0' && text[to] <= '9') ++to;
        return to;
    };
    std::size_t end = digits(0);
    if (end == 0) return "";
    if (end + 1 < text.size() && text[end] == '.' && digits(end + 1) > end + 1) end = digits(end + 1);
    return std::string(text.substr(0, end));
}

}  // namespace

std::optional<std::string> TelemetryRequest::body(std::string_view token, std::string_view distinctID,
                                                  std::string_view appVersion, std::string_view systemVersion,
                                                  Date at) const {
    for (std::string_view text : {token, distinctID, appVersion, systemVersion}) {
        if (!Utf8::isValid(text)) return std::nullopt;
    }
    Json properties = {
        {"$process_person_profile", false}, {"$geoip_disable", true}, {"$lib", "brimly"},
        {"app_version", appVersion},        {"macos", systemVersion},
    };
    if (kind) properties["kind"] = std::string(ShelfItemKinds::rawValue(*kind));
    if (count) properties["count"] = *count;
    Json object = {
        {"api_key", token},
        {"event", std::string(TelemetryEvents::rawValue(event))},
        {"distinct_id", distinctID},
        {"timestamp", formatIso8601Seconds(at)},
        {"properties", std::move(properties)},
    };
    return JsonIO::dump(object);
}

std::string TelemetryRequest::systemVersion(std::string_view osRelease, std::string_view kernelRelease) {
    std::string version = majorAndMinor(reportable(osReleaseValue(osRelease, "VERSION_ID")));
    if (version.empty()) version = majorAndMinor(reportable(std::string(kernelRelease)));
    return version.empty() ? "unknown" : version;
}

std::string TelemetryRequest::currentSystemVersion() {
    auto osRelease = AtomicFile::read("/etc/os-release");
    if (!osRelease) osRelease = AtomicFile::read("/usr/lib/os-release");
    utsname names{};
    std::string kernel = uname(&names) == 0 ? std::string(names.release) : std::string();
    return systemVersion(osRelease.value_or(""), kernel);
}

}  // namespace brimly
