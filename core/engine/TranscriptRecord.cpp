#include "core/engine/TranscriptRecord.h"

#include <array>
#include <utility>

#include "core/base/Ascii.h"

namespace brimly {

namespace {

constexpr std::array<std::pair<SessionTitle::Kind, std::string_view>, 3> kindNames = {{
    {SessionTitle::Kind::agentName, "agent-name"},
    {SessionTitle::Kind::custom, "custom-title"},
    {SessionTitle::Kind::ai, "ai-title"},
}};

bool isSafeExtensionCharacter(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

}  // namespace

std::string TranscriptImage::fileExtension() const {
    constexpr std::string_view prefix = "image/";
    constexpr std::size_t longest = 16;
    std::string_view type = mediaType;
    if (type.size() <= prefix.size()) return "bin";
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (Ascii::toLower(type[i]) != prefix[i]) return "bin";
    }
    // "svg+xml" is stored as svg, and parameters such as "; charset" are not part of the name.
    std::string_view subtype = type.substr(prefix.size());
    subtype = subtype.substr(0, subtype.find_first_of("+; "));
    std::string extension;
    for (char c : subtype) {
        c = Ascii::toLower(c);
        if (!isSafeExtensionCharacter(c)) return "bin";
        extension.push_back(c);
    }
    if (extension.empty() || extension.size() > longest) return "bin";
    return extension;
}

bool ArtifactResult::isPublished(const std::unordered_map<std::string, ToolUse>& calls) const {
    if (evidence == Evidence::artifactID) return true;
    auto call = toolUseID ? calls.find(*toolUseID) : calls.end();
    if (call == calls.end()) return evidence == Evidence::publishedShape;
    return call->second.name == publishingTool;
}

std::string_view SessionTitle::rawValue(Kind kind) {
    for (const auto& [candidate, name] : kindNames) {
        if (candidate == kind) return name;
    }
    return {};
}

std::optional<SessionTitle::Kind> SessionTitle::kindFromRawValue(std::string_view raw) {
    for (const auto& [kind, name] : kindNames) {
        if (name == raw) return kind;
    }
    return std::nullopt;
}

}  // namespace brimly
