#pragma once

#include <optional>
#include <string>

namespace brimly {

// The code-signing identity of an installed or downloaded application: the team that signed it and whether
// the signature checks out.
struct BundleIdentity {
    std::optional<std::string> teamID;
    bool isValid = false;

    bool operator==(const BundleIdentity&) const = default;
};

// Judges a downloaded application against the running one before it may replace it: it must be validly
// signed, and by the same team whenever the running application has one.
struct ReleaseIdentity {
    enum class Verdict { accept, notSigned, differentTeam };

    static Verdict verdict(const BundleIdentity& running, const BundleIdentity& candidate);
};

}  // namespace brimly
