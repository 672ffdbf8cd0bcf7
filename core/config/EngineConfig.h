#pragma once

#include <set>
#include <string>
#include <vector>

#include "core/base/Env.h"
#include "core/config/BrimlyPaths.h"
#include "core/config/Preferences.h"
#include "core/store/ShelfItemKind.h"

namespace brimly {

// What the capture engine runs with: the folders, limits and capture choices built from the preferences
// and the process environment. The app side builds a new one on every preference change and compares it
// with the running one.
struct EngineConfig {
    BrimlyPaths paths;
    long retentionDays = 30;
    std::vector<std::string> ignoreGlobs;
    long maxItems = 500;
    double chromeHold = 5.0;
    double recentWindow = 600.0;
    std::set<ShelfItemKind> fileKinds = ShelfItemKinds::shownByDefault();
    std::set<std::string> extraExtensions;
    bool outsideProjectOnly = true;
    std::vector<std::string> watchedFolders;
    long versionsShown = 4;

    static constexpr long versionsDefault = 4;
    static constexpr long maxItemsDefault = 500;
    static constexpr ClosedRange maxItemsRange = Preferences::maxItemsRange;
    // The environment may switch versions off, which the preference range does not allow.
    static constexpr ClosedRange versionsOverrideRange{0, 9};

    // BRIMLY_RETENTION_DAYS, BRIMLY_MAX_ITEMS and BRIMLY_VERSIONS override the preferences when they parse
    // and lie in range; the ignore patterns come from BRIMLY_IGNORE_GLOBS.
    static EngineConfig make(const Preferences& prefs, const Environment& env);

    // What moving from `old` to this configuration takes: other folders need a new engine, anything else is
    // applied in place.
    enum class Change { none, update, restart };
    Change change(const EngineConfig& old) const;

    bool operator==(const EngineConfig&) const = default;
};

}  // namespace brimly
