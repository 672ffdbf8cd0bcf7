#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/base/Date.h"
#include "core/base/Url.h"

namespace brimly {

// A tool call of an assistant line: the id its result will answer, the tool, and the file it names.
struct ToolUse {
    std::string id;
    std::string name;
    std::optional<std::string> filePath;

    bool operator==(const ToolUse&) const = default;
};

// An image embedded in a tool result. `base64` is the one copy of the encoded bytes made from the line; the
// tailer moves it on into the candidate.
struct TranscriptImage {
    std::string base64;
    std::string mediaType;
    std::optional<std::string> toolUseID;
    std::optional<std::string> sessionID;
    std::optional<std::string> cwd;
    std::optional<Date> timestamp;

    // The media type's subtype ("image/png" gives "png"), reduced to characters that are safe in a file
    // name; "bin" when nothing usable remains.
    std::string fileExtension() const;

    bool operator==(const TranscriptImage&) const = default;
};

// A page the agent published; only https addresses are kept. A web fetch also answers with an https address,
// so a result without an id of its own says how much of the publishing tool's answer it resembles, and the
// reader that remembers the calls decides with `isPublished`.
struct ArtifactResult {
    enum class Evidence {
        artifactID,      // the result names the artifact's id
        publishedShape,  // only the address, local path and title the publishing tool returns
        addressOnly,     // an https address among other fields
    };
    static constexpr std::string_view publishingTool = "Artifact";

    std::string id;
    Url url;
    std::optional<std::string> title;
    std::optional<std::string> path;
    std::optional<std::string> toolUseID;
    Evidence evidence = Evidence::artifactID;

    // Without an id of its own, the result must answer the publishing tool; when its call was not seen (it
    // lies before the part of the transcript read), the published shape is enough. `calls` are the tool
    // calls remembered so far, by id.
    bool isPublished(const std::unordered_map<std::string, ToolUse>& calls) const;

    bool operator==(const ArtifactResult&) const = default;
};

// A name given to a session by a title line; the slug is filled by whoever knows the transcript's folder.
struct SessionTitle {
    enum class Kind { agentName, custom, ai };

    std::string sessionID;
    Kind kind = Kind::ai;
    std::string text;
    std::optional<std::string> slug;

    static std::string_view rawValue(Kind kind);
    static std::optional<Kind> kindFromRawValue(std::string_view raw);

    bool operator==(const SessionTitle&) const = default;
};

// What the shelf needs from one transcript line; everything else in the line is ignored.
struct TranscriptRecord {
    std::optional<std::string> type;
    std::optional<std::string> sessionID;
    std::optional<std::string> cwd;
    std::optional<std::string> gitBranch;
    std::optional<Date> timestamp;
    std::optional<std::string> promptID;
    bool isMeta = false;
    bool isSidechain = false;
    std::optional<std::string> promptText;
    std::vector<ToolUse> toolUses;
    std::vector<std::string> toolResultIDs;
    std::vector<TranscriptImage> images;
    std::optional<ArtifactResult> artifact;
    std::optional<SessionTitle> title;

    bool operator==(const TranscriptRecord&) const = default;
};

}  // namespace brimly
