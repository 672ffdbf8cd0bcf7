#include "core/config/Preferences.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>

#include "core/base/Ascii.h"
#include "core/base/AtomicFile.h"
#include "core/config/BrimlyPaths.h"
#include "core/platform/FileSystem.h"

namespace brimly {

namespace {

template <typename E, size_t N>
std::optional<E> fromRaw(const std::array<std::pair<E, std::string_view>, N>& table, std::string_view raw) {
    for (const auto& [value, name] : table) {
        if (name == raw) return value;
    }
    return std::nullopt;
}

template <typename E, size_t N>
std::string_view toRaw(const std::array<std::pair<E, std::string_view>, N>& table, E value) {
    for (const auto& [candidate, name] : table) {
        if (candidate == value) return name;
    }
    return {};
}

constexpr std::array<std::pair<LayoutChoice, std::string_view>, 2> layouts = {
    {{LayoutChoice::rail, "rail"}, {LayoutChoice::stacks, "stacks"}}};
constexpr std::array<std::pair<ArrivalSignal, std::string_view>, 2> signals = {
    {{ArrivalSignal::glow, "glow"}, {ArrivalSignal::count, "count"}}};
constexpr std::array<std::pair<GlowStrength, std::string_view>, 3> strengths = {
    {{GlowStrength::subtle, "subtle"},
     {GlowStrength::balanced, "balanced"},
     {GlowStrength::strong, "strong"}}};
constexpr std::array<std::pair<PeekPileStyle, std::string_view>, 3> piles = {
    {{PeekPileStyle::fan, "fan"}, {PeekPileStyle::count, "count"}, {PeekPileStyle::stack, "stack"}}};

const Json* field(const Json& object, const char* key) {
    auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

// Whole numbers only: 30.0 and "30" are not integers.
std::optional<long> integer(const Json& object, const char* key) {
    const Json* value = field(object, key);
    if (value == nullptr) return std::nullopt;
    if (value->is_number_unsigned()) {
        auto number = value->get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<long>::max())) return std::nullopt;
        return static_cast<long>(number);
    }
    if (value->is_number_integer()) return static_cast<long>(value->get<std::int64_t>());
    return std::nullopt;
}

void takeInt(const Json& object, const char* key, long& target, std::optional<ClosedRange> range) {
    if (auto value = integer(object, key); value && (!range || range->contains(*value))) target = *value;
}

void takeBool(const Json& object, const char* key, bool& target) {
    if (const Json* value = field(object, key); value && value->is_boolean()) target = value->get<bool>();
}

std::optional<std::string> text(const Json& object, const char* key) {
    const Json* value = field(object, key);
    if (value == nullptr || !value->is_string()) return std::nullopt;
    return value->get<std::string>();
}

template <typename E, size_t N>
void takeEnum(const Json& object, const char* key, E& target,
              const std::array<std::pair<E, std::string_view>, N>& table) {
    if (auto raw = text(object, key)) {
        if (auto value = fromRaw(table, *raw)) target = *value;
    }
}

// The strings of a list; other elements are skipped. Nothing when the value is no list.
std::optional<std::vector<std::string>> texts(const Json& object, const char* key) {
    const Json* value = field(object, key);
    if (value == nullptr || !value->is_array()) return std::nullopt;
    std::vector<std::string> result;
    for (const auto& element : *value) {
        if (element.is_string()) result.push_back(element.get<std::string>());
    }
    return result;
}

DisplayStyleChoice loadDisplayStyle(const Json& object) {
    if (auto raw = text(object, "displayStyle")) {
        return DisplayStyleChoice::parse(*raw).value_or(DisplayStyleChoice::defaultValue());
    }
    const Json* perDisplay = field(object, "displayStyles");
    if (perDisplay != nullptr && perDisplay->is_object()) {
        std::vector<std::string> values;
        for (const auto& [display, style] : perDisplay->items()) {
            if (style.is_string()) values.push_back(style.get<std::string>());
        }
        return DisplayStyleChoice::migrate(std::move(values));
    }
    return DisplayStyleChoice::defaultValue();
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

namespace PreferenceValues {
std::string_view rawValue(LayoutChoice value) { return toRaw(layouts, value); }
std::string_view rawValue(ArrivalSignal value) { return toRaw(signals, value); }
std::string_view rawValue(GlowStrength value) { return toRaw(strengths, value); }
std::string_view rawValue(PeekPileStyle value) { return toRaw(piles, value); }
}  // namespace PreferenceValues

ArrivalSignal Preferences::signal(ArrivalSignal chosen, const DisplayStyleChoice& style) {
    return style.isPill() ? ArrivalSignal::glow : chosen;
}

Json Preferences::dictionary() const {
    using PreferenceValues::rawValue;
    Json kinds = Json::array();
    for (auto kind : ShelfItemKinds::allCases) {
        if (fileKinds.contains(kind)) kinds.push_back(std::string(ShelfItemKinds::rawValue(kind)));
    }
    Json out = {
        {"layout", rawValue(layout)},
        {"hotkeyKeyCode", hotkeyKeyCode},
        {"hotkeyModifiers", hotkeyModifiers},
        {"hoverEnabled", hoverEnabled},
        {"hoverDwellMs", hoverDwellMs},
        {"launchAtLogin", launchAtLogin},
        {"deleteOriginals", deleteOriginals},
        {"retentionDays", retentionDays},
        {"maxItems", maxItems},
        {"compareVersions", compareVersions},
        {"versionsShown", versionsShown},
        {"compareKeyCode", compareKeyCode},
        {"arrivalSignal", rawValue(arrivalSignal)},
        {"glowStrength", rawValue(glowStrength)},
        {"glowPulses", glowPulses},
        {"pillPreview", pillPreview},
        {"pillPile", rawValue(pillPile)},
        {"displayStyle", displayStyle.rawValue()},
        {"activeDisplayOnly", activeDisplayOnly},
        {"fileTypes", kinds},
        {"extraExtensions", extraExtensions},
        {"outsideProjectOnly", outsideProjectOnly},
        {"watchedFolders", watchedFolders},
        {"quietMode", quietMode},
        {"showInMenuBar", showInMenuBar},
        {"autoCheckUpdates", autoCheckUpdates},
        {"shareUsage", shareUsage},
    };
    if (claudeHome) out["claudeHome"] = *claudeHome;
    if (scratchRoot) out["scratchRoot"] = *scratchRoot;
    if (railSidebar) out["railSidebar"] = *railSidebar;
    return out;
}

Preferences Preferences::load(const Json& object) {
    Preferences prefs;
    if (!object.is_object()) return prefs;
    takeEnum(object, "layout", prefs.layout, layouts);
    takeInt(object, "hotkeyKeyCode", prefs.hotkeyKeyCode, keyCodeRange);
    takeInt(object, "hotkeyModifiers", prefs.hotkeyModifiers, std::nullopt);
    takeBool(object, "hoverEnabled", prefs.hoverEnabled);
    takeInt(object, "hoverDwellMs", prefs.hoverDwellMs, dwellRange);
    takeBool(object, "launchAtLogin", prefs.launchAtLogin);
    takeBool(object, "deleteOriginals", prefs.deleteOriginals);
    takeInt(object, "retentionDays", prefs.retentionDays, retentionRange);
    takeInt(object, "maxItems", prefs.maxItems, maxItemsRange);
    takeBool(object, "compareVersions", prefs.compareVersions);
    takeInt(object, "versionsShown", prefs.versionsShown, versionsRange);
    if (auto key = integer(object, "compareKeyCode");
        key && keyCodeRange.contains(*key) &&
        std::find(compareKeysReserved.begin(), compareKeysReserved.end(), *key) ==
            compareKeysReserved.end()) {
        prefs.compareKeyCode = *key;
    }
    takeEnum(object, "arrivalSignal", prefs.arrivalSignal, signals);
    takeEnum(object, "glowStrength", prefs.glowStrength, strengths);
    takeInt(object, "glowPulses", prefs.glowPulses, pulseRange);
    takeBool(object, "pillPreview", prefs.pillPreview);
    takeEnum(object, "pillPile", prefs.pillPile, piles);
    prefs.displayStyle = loadDisplayStyle(object);
    takeBool(object, "activeDisplayOnly", prefs.activeDisplayOnly);
    if (auto raws = texts(object, "fileTypes")) {
        prefs.fileKinds.clear();
        for (const auto& raw : *raws) {
            if (auto kind = ShelfItemKinds::fromRawValue(raw)) prefs.fileKinds.insert(*kind);
        }
    }
    if (auto entries = texts(object, "extraExtensions")) {
        std::string joined;
        for (const auto& entry : *entries) joined += entry + ",";
        prefs.extraExtensions = parseExtensions(joined);
    }
    takeBool(object, "outsideProjectOnly", prefs.outsideProjectOnly);
    if (auto folders = texts(object, "watchedFolders")) prefs.watchedFolders = std::move(*folders);
    takeBool(object, "quietMode", prefs.quietMode);
    takeBool(object, "showInMenuBar", prefs.showInMenuBar);
    takeBool(object, "autoCheckUpdates", prefs.autoCheckUpdates);
    takeBool(object, "shareUsage", prefs.shareUsage);
    if (auto home = text(object, "claudeHome"); home && !home->empty()) prefs.claudeHome = std::move(*home);
    if (auto root = text(object, "scratchRoot"); root && !root->empty()) prefs.scratchRoot = std::move(*root);
    if (const Json* width = field(object, "railSidebar"); width && width->is_number()) {
        prefs.railSidebar = width->get<double>();
    }
    return prefs;
}

Preferences Preferences::load(std::string_view jsonText) {
    auto parsed = JsonIO::parse(jsonText);
    return parsed ? load(*parsed) : Preferences();
}

std::vector<std::string> Preferences::parseExtensions(std::string_view text) {
    std::vector<std::string> result;
    auto isSeparator = [](char c) { return c == ',' || c == ';' || c == ' ' || c == '\n' || c == '\t'; };
    size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && isSeparator(text[at])) ++at;
        size_t end = at;
        while (end < text.size() && !isSeparator(text[end])) ++end;
        std::string_view piece = text.substr(at, end - at);
        at = end;
        while (!piece.empty() && piece.front() == '.') piece.remove_prefix(1);
        while (!piece.empty() && piece.back() == '.') piece.remove_suffix(1);
        if (piece.empty()) continue;
        // ASCII letters and digits only: an extension becomes part of file names and globs.
        if (!std::all_of(piece.begin(), piece.end(), Ascii::isAlphanumeric)) continue;
        std::string lower = Ascii::lowercased(piece);
        if (std::find(result.begin(), result.end(), lower) == result.end())
            result.push_back(std::move(lower));
    }
    return result;
}

long Preferences::whole(std::string_view typed, long current, ClosedRange range) {
    while (!typed.empty() && isBlank(typed.front())) typed.remove_prefix(1);
    while (!typed.empty() && isBlank(typed.back())) typed.remove_suffix(1);
    if (typed.empty()) return current;
    bool negative = typed.front() == '-';
    std::string_view rest = negative ? typed.substr(1) : typed;
    size_t digits = 0;
    while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') ++digits;
    if (digits == 0) return current;
    // Too many digits for a long still means "as far as the range goes".
    long value = 0;
    auto [end, error] = std::from_chars(rest.data(), rest.data() + digits, value);
    (void)end;
    if (error == std::errc::result_out_of_range) return negative ? range.lower : range.upper;
    if (error != std::errc()) return current;
    return range.clamp(negative ? -value : value);
}

std::string Preferences::filePath(const Environment& env) {
    std::string base;
    if (auto configured = Env::string("XDG_CONFIG_HOME", env); configured && configured->front() == '/') {
        base = *configured;
    } else {
        base = BrimlyPaths::homeFolder(env) + "/.config";
    }
    return base + "/brimly/preferences.json";
}

Preferences Preferences::loadFile(const std::string& path) {
    auto bytes = AtomicFile::read(path);
    if (!bytes) return Preferences();
    auto parsed = JsonIO::parse(*bytes);
    if (!parsed || !parsed->is_object()) return Preferences();
    return load(*parsed);
}

std::error_code Preferences::retireKeys(const std::string& path) {
    auto bytes = AtomicFile::read(path);
    if (!bytes) return {};
    auto parsed = JsonIO::parse(*bytes);
    if (!parsed || !parsed->is_object()) return {};
    Preferences prefs = load(*parsed);
    bool retired = false;
    for (auto key : retiredKeys) retired = parsed->erase(std::string(key)) > 0 || retired;
    if (!retired) return {};
    // The old key has been read into `displayStyle`; the file keeps that as the choice from now on.
    (*parsed)["displayStyle"] = prefs.displayStyle.rawValue();
    return AtomicFile::write(path, JsonIO::dump(*parsed));
}

std::error_code Preferences::save(const std::string& path) const {
    Json object = Json::object();
    if (auto bytes = AtomicFile::read(path)) {
        if (auto parsed = JsonIO::parse(*bytes); parsed && parsed->is_object()) object = std::move(*parsed);
    }
    for (const char* optional : {"claudeHome", "scratchRoot", "railSidebar"}) object.erase(optional);
    for (auto key : retiredKeys) object.erase(std::string(key));
    const Json fields = dictionary();
    for (const auto& [key, value] : fields.items()) object[key] = value;
    if (!FileSystem::createDirectories(FileSystem::parentPath(path))) {
        return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    return AtomicFile::write(path, JsonIO::dump(object));
}

}  // namespace brimly
