#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/update/UpdateFeed.h"

namespace brimly {

// An update known to be waiting, kept so that the menu can offer it again after a restart.
struct UpdateReminder {
    std::string version;
    std::int64_t build = 0;

    // A reminder of the feed's build when the check offered it; nothing for any other offer.
    static std::optional<UpdateReminder> after(UpdateFeed::Offer offer, const UpdateFeed& feed);
    // The stored reminder, unless it is incomplete, already installed or skipped since.
    static std::optional<UpdateReminder> restore(const std::optional<std::string>& version,
                                                 std::optional<std::int64_t> build, std::int64_t currentBuild,
                                                 std::optional<std::int64_t> skippedBuild);

    bool operator==(const UpdateReminder&) const = default;
};

}  // namespace brimly
