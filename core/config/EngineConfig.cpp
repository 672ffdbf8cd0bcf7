#include "core/config/EngineConfig.h"

#include "core/store/ItemFilter.h"

namespace brimly {

EngineConfig EngineConfig::make(const Preferences& prefs, const Environment& env) {
    constexpr ClosedRange retention = Preferences::retentionRange;
    return EngineConfig{
        .paths = BrimlyPaths::resolve(env, prefs.claudeHome, prefs.scratchRoot),
        .retentionDays = Env::intValue("BRIMLY_RETENTION_DAYS", prefs.retentionDays, retention.lower,
                                       retention.upper, env),
        .ignoreGlobs = ItemFilter::globs(env),
        .maxItems =
            Env::intValue("BRIMLY_MAX_ITEMS", prefs.maxItems, maxItemsRange.lower, maxItemsRange.upper, env),
        .fileKinds = prefs.fileKinds,
        .extraExtensions = std::set<std::string>(prefs.extraExtensions.begin(), prefs.extraExtensions.end()),
        .outsideProjectOnly = prefs.outsideProjectOnly,
        .watchedFolders = prefs.watchedFolders,
        .versionsShown = Env::intValue("BRIMLY_VERSIONS", prefs.versionsKept(), versionsOverrideRange.lower,
                                       versionsOverrideRange.upper, env),
    };
}

EngineConfig::Change EngineConfig::change(const EngineConfig& old) const {
    if (paths != old.paths) return Change::restart;
    return *this == old ? Change::none : Change::update;
}

}  // namespace brimly
