#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/base/Date.h"
#include "core/engine/Candidate.h"
#include "core/engine/TranscriptRecord.h"
#include "core/store/Prompt.h"

namespace brimly {

// A session seen in one tail pass; a batch holds at most one per session.
struct SessionSighting {
    std::string id;
    std::optional<std::string> slug;
    std::optional<std::string> cwd;
    std::optional<std::string> branch;
    Date at = 0;
    std::optional<Date> fileCreated;
    // The earliest line's time, since a batch merges every line of the session into one sighting and `at`
    // keeps the latest; absent means `at`.
    std::optional<Date> firstAt;

    bool operator==(const SessionSighting&) const = default;
};

// What one tail pass over a transcript found, handed to ingest as a unit.
struct TranscriptBatch {
    std::vector<SessionSighting> sessions;
    std::vector<Prompt> prompts;
    std::vector<Candidate> candidates;
    std::vector<SessionTitle> titles;
    std::optional<Date> fileCreated;

    bool isEmpty() const {
        return sessions.empty() && prompts.empty() && candidates.empty() && titles.empty();
    }

    bool operator==(const TranscriptBatch&) const = default;
};

}  // namespace brimly
