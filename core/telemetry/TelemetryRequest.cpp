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
    std::string pretty = reportable(osReleaseValue(osRelease, "PRETTY_NAME"));
    if (!pretty.empty()) return pretty;
    std::string name = reportable(osReleaseValue(osRelease, "NAME"));
    std::string version = reportable(osReleaseValue(osRelease, "VERSION_ID"));
    if (!name.empty()) return version.empty() ? name : reportable(name + " " + version);
    std::string kernel = reportable(std::string(kernelRelease));
    return kernel.empty() ? "Linux" : "Linux " + kernel;
}

std::string TelemetryRequest::currentSystemVersion() {
    auto osRelease = AtomicFile::read("/etc/os-release");
    if (!osRelease) osRelease = AtomicFile::read("/usr/lib/os-release");
    utsname names{};
    std::string kernel = uname(&names) == 0 ? std::string(names.release) : std::string();
    return systemVersion(osRelease.value_or(""), kernel);
}

}  // namespace brimly
