#pragma once

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "core/base/Date.h"
#include "core/base/Env.h"
#include "core/store/ShelfItemKind.h"
#include "core/store/Source.h"

namespace brimly {

// What one candidate looks like to the item filter: its kind, size, pixel size and where it came from.
struct FilterInput {
    // Absent when the extension is neither a shown kind nor one of the user's extra extensions.
    std::optional<ShelfItemKind> kind;
    std::string fileExtension;
    long byteCount = 0;
    std::optional<long> pixelWidth;
    std::optional<long> pixelHeight;
    std::optional<std::string> sourcePath;
    std::optional<Source> source;
    // The working folder of the candidate's session, when the store knows it.
    std::optional<std::string> projectFolder;
    Date createdAt = 0;

    bool operator==(const FilterInput&) const = default;
};

// The filter's answer: accept, or reject with a short fixed reason that ingest reports and logs.
struct Verdict {
    struct Accept {
        bool operator==(const Accept&) const = default;
    };
    struct Reject {
        std::string reason;
        bool operator==(const Reject&) const = default;
    };

    std::variant<Accept, Reject> value;

    static Verdict accept() { return {Accept{}}; }
    static Verdict reject(std::string reason) { return {Reject{std::move(reason)}}; }

    bool isAccepted() const { return std::holds_alternative<Accept>(value); }
    // The reason of a rejection; empty for an acceptance.
    std::string reason() const;

    bool operator==(const Verdict&) const = default;
};

// Decides whether a candidate may become a shelf item, and if not, why. A plain value built from the
// engine configuration; the member defaults are what an ingest that was never configured uses.
struct ItemFilter {
    long minBytes = 512;
    long minPixels = 32;
    // Matched with fnmatch and no flags against the whole source path, so "*" also crosses "/".
    std::vector<std::string> ignoreGlobs;
    // Candidates created before this are refused.
    std::optional<Date> oldest;
    std::set<ShelfItemKind> kinds = ShelfItemKinds::shownByDefault();
    // Lower-case extensions without dots; they make `file` items.
    std::set<std::string> extraExtensions;
    bool outsideProjectOnly = true;

    // The patterns of BRIMLY_IGNORE_GLOBS: split at ",", trimmed, empty pieces dropped, order kept.
    static std::vector<std::string> globs(const Environment& env);

    // The first rule that refuses decides; see the reason texts in the implementation.
    Verdict accepts(const FilterInput& input) const;

    bool operator==(const ItemFilter&) const = default;
};

}  // namespace brimly
