#include "core/update/UpdateReminder.h"

namespace brimly {

std::optional<UpdateReminder> UpdateReminder::after(UpdateFeed::Offer offer, const UpdateFeed& feed) {
    switch (offer) {
        case UpdateFeed::Offer::available:
            return UpdateReminder{feed.version, feed.build};
        case UpdateFeed::Offer::upToDate:
        case UpdateFeed::Offer::skipped:
        case UpdateFeed::Offer::needsNewerSystem:
            return std::nullopt;
    }
    return std::nullopt;
}

std::optional<UpdateReminder> UpdateReminder::restore(const std::optional<std::string>& version,
                                                      std::optional<std::int64_t> build,
                                                      std::int64_t currentBuild,
                                                      std::optional<std::int64_t> skippedBuild) {
    if (!version || version->empty() || !build || *build <= currentBuild) return std::nullopt;
    if (skippedBuild && *skippedBuild >= *build) return std::nullopt;
    return UpdateReminder{*version, *build};
}

}  // namespace brimly
