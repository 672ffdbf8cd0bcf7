#include "core/engine/Candidate.h"

namespace brimly {

std::string describe(const Candidate& candidate) {
    if (candidate.readPath) return *candidate.readPath;
    if (const auto* file = std::get_if<Payload::File>(&candidate.payload.value)) {
        return file->url.path().value_or(file->url.string());
    }
    if (const auto* artifact = std::get_if<Payload::Artifact>(&candidate.payload.value)) {
        return artifact->info.url.string();
    }
    return "an image in session " + candidate.sessionID.value_or("?");
}

}  // namespace brimly
