#include "core/update/ReleaseIdentity.h"

namespace brimly {

ReleaseIdentity::Verdict ReleaseIdentity::verdict(const BundleIdentity& running,
                                                  const BundleIdentity& candidate) {
    if (!candidate.isValid) return Verdict::notSigned;
    if (!running.teamID) return Verdict::accept;
    if (!candidate.teamID) return Verdict::differentTeam;
    return *running.teamID == *candidate.teamID ? Verdict::accept : Verdict::differentTeam;
}

}  // namespace brimly
