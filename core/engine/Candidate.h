#pragma once

#include <optional>
#include <string>

#include "core/base/Date.h"
#include "core/engine/Payload.h"
#include "core/store/Source.h"

namespace brimly {

// One thing a source found, in the single shape ingest decides on, with whatever the source knows about
// the session and prompt that produced it. Made and consumed on the engine queue; never persisted.
struct Candidate {
    Source source = Source::transcript;
    Payload payload;
    std::optional<std::string> sessionID;
    // The session's project slug, for when ingest has to create the session.
    std::optional<std::string> slug;
    std::optional<std::string> promptID;
    Date createdAt = 0;
    // The file an image was read or shown from; its bytes beat the inline copy when it still exists.
    std::optional<std::string> readPath;
    // The tool-use or screenshot id, so that one capture reported by two sources becomes one item.
    std::optional<std::string> captureID;
    // When a watched-folder file arrived; ingest then uses it as the creation time.
    std::optional<Date> arrivedAt;

    bool operator==(const Candidate&) const = default;
};

// What a log line names for a candidate: the file it stands for, else the published page, else its session.
std::string describe(const Candidate& candidate);

}  // namespace brimly
