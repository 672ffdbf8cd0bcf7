#include "core/store/Prompt.h"

#include "core/base/Utf8.h"
#include "core/store/JsonFields.h"

namespace brimly {

std::string Prompt::summarize(std::string_view text) {
    for (std::string_view line : Utf8::splitLines(text)) {
        std::string_view trimmed = Utf8::trimSpaces(line);
        if (trimmed.empty()) continue;
        if (Utf8::characterCount(trimmed) <= summaryLimit) return std::string(trimmed);
        std::string summary(Utf8::prefix(trimmed, summaryLimit - 1));
        summary.append("\xE2\x80\xA6");
        return summary;
    }
    return "";
}

Json Prompt::toJson() const {
    Json object = Json::object();
    object["id"] = id;
    object["sessionID"] = sessionID;
    object["at"] = at;
    object["text"] = text;
    return object;
}

namespace {

template <typename Value>
std::optional<Prompt> decode(Value object) {
    JsonFields fields(object);
    Prompt prompt;
    prompt.id = fields.string("id");
    prompt.sessionID = fields.string("sessionID");
    prompt.at = fields.date("at");
    prompt.text = fields.string("text");
    if (!fields.ok()) return std::nullopt;
    return prompt;
}

}  // namespace

std::optional<Prompt> Prompt::fromJson(const Json& object) { return decode(JsonRef(object)); }
std::optional<Prompt> Prompt::fromJson(JsonTree::Value object) { return decode(object); }

}  // namespace brimly
