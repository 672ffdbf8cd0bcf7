#pragma once

#include <array>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/base/Env.h"
#include "core/base/Json.h"
#include "core/config/DisplayStyleChoice.h"
#include "core/store/ShelfItemKind.h"

namespace brimly {

enum class LayoutChoice { rail, stacks };
enum class ArrivalSignal { glow, count };
enum class GlowStrength { subtle, balanced, strong };
enum class PeekPileStyle { fan, count, stack };

// A closed range of whole numbers.
struct ClosedRange {
    long lower = 0;
    long upper = 0;
    constexpr bool contains(long value) const { return value >= lower && value <= upper; }
    constexpr long clamp(long value) const { return value < lower ? lower : value > upper ? upper : value; }
    bool operator==(const ClosedRange&) const = default;
};

// The user's settings as one value. The app side keeps the current one and saves its flat dictionary as a
// JSON object in the user's configuration folder; loading takes only acceptable values and keeps the
// default for everything else, so a damaged or hand-edited file never stops the program.
struct Preferences {
    LayoutChoice layout = LayoutChoice::rail;
    long hotkeyKeyCode = 49;
    // Control-Option (Ctrl+Alt): Option-Space alone is the window menu's shortcut on most Linux desktops,
    // which would take it before us on first start.
    long hotkeyModifiers = 6144;
    bool hoverEnabled = true;
    long hoverDwellMs = 120;
    bool launchAtLogin = false;
    bool deleteOriginals = false;
    long retentionDays = 30;
    long maxItems = 500;
    bool compareVersions = true;
    long versionsShown = 4;
    long compareKeyCode = 9;
    ArrivalSignal arrivalSignal = ArrivalSignal::glow;
    GlowStrength glowStrength = GlowStrength::balanced;
    long glowPulses = 2;
    bool pillPreview = true;
    PeekPileStyle pillPile = PeekPileStyle::fan;
    DisplayStyleChoice displayStyle = DisplayStyleChoice::defaultValue();
    bool activeDisplayOnly = false;
    std::set<ShelfItemKind> fileKinds = ShelfItemKinds::shownByDefault();
    std::vector<std::string> extraExtensions;
    bool outsideProjectOnly = true;
    std::vector<std::string> watchedFolders;
    bool quietMode = false;
    bool showInMenuBar = true;
    bool autoCheckUpdates = false;
    bool shareUsage = false;
    std::optional<std::string> claudeHome;
    std::optional<std::string> scratchRoot;
    std::optional<double> railSidebar;

    static constexpr ClosedRange keyCodeRange{0, 127};
    static constexpr ClosedRange dwellRange{60, 600};
    static constexpr ClosedRange retentionRange{1, 365};
    static constexpr ClosedRange maxItemsRange{1, 5000};
    static constexpr ClosedRange versionsRange{2, 9};
    static constexpr ClosedRange pulseRange{1, 3};
    static constexpr long compareKeyDefault = 9;
    // Return, Tab, Space, Delete, Escape, Forward Delete and the four arrows: they already mean something
    // in the drawer.
    static constexpr std::array<long, 10> compareKeysReserved = {36, 48, 49, 51, 53, 117, 123, 124, 125, 126};
    // Keys of older versions, removed from the saved file once it has been loaded.
    static constexpr std::array<std::string_view, 1> retiredKeys = {"displayStyles"};

    // `versionsShown` while comparing versions is on, else 0.
    long versionsKept() const { return compareVersions ? versionsShown : 0; }
    // A pill has no room for a count, so it always glows.
    ArrivalSignal effectiveSignal() const { return signal(arrivalSignal, displayStyle); }
    static ArrivalSignal signal(ArrivalSignal chosen, const DisplayStyleChoice& style);

    // The flat dictionary: enums as raw values, "fileTypes" as a list of raw values, absent optionals left
    // out.
    Json dictionary() const;
    // Starts from the defaults and takes each present, acceptable value; `dictionary` that is no object
    // gives the defaults.
    static Preferences load(const Json& dictionary);
    // As `load`, from the JSON text of a saved file; text that is no JSON object gives the defaults.
    static Preferences load(std::string_view jsonText);

    // ".MD, txt;;log" gives md, txt, log: split, dots trimmed, lower-cased, letters and digits only, no
    // repeats.
    static std::vector<std::string> parseExtensions(std::string_view text);
    // What the user typed into a numeric field: a leading integer clamped into `range`, else `current`.
    static long whole(std::string_view typed, long current, ClosedRange range);

    // $XDG_CONFIG_HOME/brimly/preferences.json, with ~/.config when XDG_CONFIG_HOME is unset or relative.
    static std::string filePath(const Environment& env);
    // Loads the saved file (defaults when it is missing or unreadable); reading never writes, so another
    // program may read the file while its owner runs.
    static Preferences loadFile(const std::string& path);
    // Rewrites the file without the retired keys, keeping the choice read from them, when it has any; done
    // once by the program that owns the file.
    [[nodiscard]] static std::error_code retireKeys(const std::string& path);
    // Writes the dictionary into the file in one step, keeping keys that other parts of the program keep
    // there; creates the folder when needed.
    [[nodiscard]] std::error_code save(const std::string& path) const;

    bool operator==(const Preferences&) const = default;
};

namespace PreferenceValues {

std::string_view rawValue(LayoutChoice value);
std::string_view rawValue(ArrivalSignal value);
std::string_view rawValue(GlowStrength value);
std::string_view rawValue(PeekPileStyle value);

}  // namespace PreferenceValues
}  // namespace brimly
