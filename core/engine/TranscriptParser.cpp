#include "core/engine/TranscriptParser.h"

#include <simdjson.h>

#include <array>
#include <cstring>
#include <string>
#include <utility>

#include "core/base/Ascii.h"
#include "core/base/Iso8601.h"
#include "core/store/Prompt.h"

namespace brimly {

namespace {

namespace od = simdjson::ondemand;

static_assert(TranscriptParser::linePadding >= simdjson::SIMDJSON_PADDING);

// A parser sized for one giant line keeps that capacity; past this it is rebuilt for the next ordinary
// line so that a single 12 MB line does not pin its buffers for the life of the thread.
constexpr std::size_t parserCapacityToKeep = std::size_t{16} << 20;

bool contains(std::string_view haystack, std::string_view needle) {
    return memmem(haystack.data(), haystack.size(), needle.data(), needle.size()) != nullptr;
}

struct Patterns {
    std::array<std::string, 3> titles;
    std::array<std::string_view, 2> interesting = {R"("type":"user")", R"("tool_use")"};
    std::string_view image = R"("type":"image")";

    Patterns() {
        std::size_t i = 0;
        for (auto kind :
             {SessionTitle::Kind::agentName, SessionTitle::Kind::custom, SessionTitle::Kind::ai}) {
            titles[i++] = std::string(SessionTitle::rawValue(kind)) + '"';
        }
    }
};

const Patterns& patterns() {
    static const Patterns built;
    return built;
}

std::optional<std::string_view> stringOf(od::value& value) {
    od::json_type type;
    if (value.type().get(type) || type != od::json_type::string) return std::nullopt;
    std::string_view text;
    if (value.get_string().get(text)) return std::nullopt;
    return text;
}

// The string's bytes as they sit in the line, so that a multi-megabyte Base64 text is copied exactly once,
// into the record. Escaped text (never seen in Base64 in practice) is unescaped instead.
std::optional<std::string_view> locatedString(od::value& value) {
    od::json_type type;
    if (value.type().get(type) || type != od::json_type::string) return std::nullopt;
    std::string_view token = value.raw_json_token();
    while (!token.empty() &&
           (token.back() == ' ' || token.back() == '\t' || token.back() == '\n' || token.back() == '\r')) {
        token.remove_suffix(1);
    }
    if (token.size() >= 2 && token.front() == '"' && token.back() == '"') {
        std::string_view inner = token.substr(1, token.size() - 2);
        if (std::memchr(inner.data(), '\\', inner.size()) == nullptr) return inner;
    }
    return stringOf(value);
}

bool boolOf(od::value& value) {
    od::json_type type;
    if (value.type().get(type) || type != od::json_type::boolean) return false;
    bool result = false;
    if (value.get_bool().get(result)) return false;
    return result;
}

bool isObject(od::value& value) {
    od::json_type type;
    return !value.type().get(type) && type == od::json_type::object;
}

bool isArray(od::value& value) {
    od::json_type type;
    return !value.type().get(type) && type == od::json_type::array;
}

std::optional<std::string> owned(std::optional<std::string_view> view) {
    if (!view) return std::nullopt;
    return std::string(*view);
}

// Views into the line or the parser's string buffer; both live until the next line is parsed.
struct TopLevel {
    std::optional<std::string_view> type, sessionID, cwd, gitBranch, timestamp, promptID;
    std::optional<std::string_view> agentName, customTitle, aiTitle;
    bool isMeta = false;
    bool isSidechain = false;
    bool hasMessage = false;
    std::optional<std::string_view> artifactID, artifactURL, artifactTitle, artifactPath;
};

struct ImageView {
    std::string_view data;
    std::optional<std::string_view> mediaType;
};

struct Block {
    std::optional<std::string_view> type, id, name, filePath, toolUseID, text;
    std::vector<ImageView> images;
};

struct Message {
    std::optional<std::string_view> role;
    std::optional<std::string_view> contentText;
    std::vector<Block> blocks;
};

bool readToolUseResult(od::value& value, TopLevel& top) {
    if (!isObject(value)) return true;
    od::object object;
    if (value.get_object().get(object)) return false;
    for (auto fieldResult : object) {
        od::field field;
        if (std::move(fieldResult).get(field)) return false;
        od::raw_json_string key = field.key();
        od::value& inner = field.value();
        if (key == "artifact_id") {
            top.artifactID = stringOf(inner);
        } else if (key == "url") {
            top.artifactURL = stringOf(inner);
        } else if (key == "title") {
            top.artifactTitle = stringOf(inner);
        } else if (key == "path") {
            top.artifactPath = stringOf(inner);
        }
    }
    return true;
}

bool readTopLevel(od::object& root, TopLevel& top) {
    for (auto fieldResult : root) {
        od::field field;
        if (std::move(fieldResult).get(field)) return false;
        od::raw_json_string key = field.key();
        od::value& value = field.value();
        if (key == "type") {
            top.type = stringOf(value);
        } else if (key == "sessionId") {
            top.sessionID = stringOf(value);
        } else if (key == "cwd") {
            top.cwd = stringOf(value);
        } else if (key == "gitBranch") {
            top.gitBranch = stringOf(value);
        } else if (key == "timestamp") {
            top.timestamp = stringOf(value);
        } else if (key == "promptId") {
            top.promptID = stringOf(value);
        } else if (key == "isMeta") {
            top.isMeta = boolOf(value);
        } else if (key == "isSidechain") {
            top.isSidechain = boolOf(value);
        } else if (key == "agentName") {
            top.agentName = stringOf(value);
        } else if (key == "customTitle") {
            top.customTitle = stringOf(value);
        } else if (key == "aiTitle") {
            top.aiTitle = stringOf(value);
        } else if (key == "message") {
            top.hasMessage = true;
        } else if (key == "toolUseResult") {
            if (!readToolUseResult(value, top)) return false;
        }
    }
    return true;
}

bool readImageSource(od::value& value, ImageView& image, bool& usable) {
    od::object source;
    if (value.get_object().get(source)) return false;
    std::optional<std::string_view> sourceType, data;
    for (auto fieldResult : source) {
        od::field field;
        if (std::move(fieldResult).get(field)) return false;
        od::raw_json_string key = field.key();
        od::value& inner = field.value();
        if (key == "type") {
            sourceType = stringOf(inner);
        } else if (key == "media_type") {
            image.mediaType = stringOf(inner);
        } else if (key == "data") {
            data = locatedString(inner);
        }
    }
    usable = sourceType == "base64" && data.has_value();
    if (usable) image.data = *data;
    return true;
}

bool readResultContent(od::value& value, Block& block) {
    od::array array;
    if (value.get_array().get(array)) return false;
    for (auto elementResult : array) {
        od::value element;
        if (std::move(elementResult).get(element)) return false;
        if (!isObject(element)) continue;
        od::object object;
        if (element.get_object().get(object)) return false;
        std::optional<std::string_view> type;
        ImageView image;
        bool usable = false;
        for (auto fieldResult : object) {
            od::field field;
            if (std::move(fieldResult).get(field)) return false;
            od::raw_json_string key = field.key();
            od::value& inner = field.value();
            if (key == "type") {
                type = stringOf(inner);
            } else if (key == "source" && isObject(inner)) {
                if (!readImageSource(inner, image, usable)) return false;
            }
        }
        if (type == "image" && usable) block.images.push_back(image);
    }
    return true;
}

bool readBlock(od::object& object, Block& block) {
    for (auto fieldResult : object) {
        od::field field;
        if (std::move(fieldResult).get(field)) return false;
        od::raw_json_string key = field.key();
        od::value& value = field.value();
        if (key == "type") {
            block.type = stringOf(value);
        } else if (key == "id") {
            block.id = stringOf(value);
        } else if (key == "name") {
            block.name = stringOf(value);
        } else if (key == "tool_use_id") {
            block.toolUseID = stringOf(value);
        } else if (key == "text") {
            block.text = stringOf(value);
        } else if (key == "input" && isObject(value)) {
            od::object input;
            if (value.get_object().get(input)) return false;
            for (auto inputField : input) {
                od::field entry;
                if (std::move(inputField).get(entry)) return false;
                if (entry.key() == "file_path") block.filePath = stringOf(entry.value());
            }
        } else if (key == "content" && isArray(value)) {
            if (!readResultContent(value, block)) return false;
        }
    }
    return true;
}

bool readMessage(od::value& value, Message& message) {
    od::object object;
    if (value.get_object().get(object)) return false;
    for (auto fieldResult : object) {
        od::field field;
        if (std::move(fieldResult).get(field)) return false;
        od::raw_json_string key = field.key();
        od::value& inner = field.value();
        if (key == "role") {
            message.role = stringOf(inner);
        } else if (key == "content") {
            message.contentText.reset();
            message.blocks.clear();
            if (isArray(inner)) {
                od::array array;
                if (inner.get_array().get(array)) return false;
                for (auto elementResult : array) {
                    od::value element;
                    if (std::move(elementResult).get(element)) return false;
                    if (!isObject(element)) continue;
                    od::object blockObject;
                    if (element.get_object().get(blockObject)) return false;
                    Block block;
                    if (!readBlock(blockObject, block)) return false;
                    message.blocks.push_back(std::move(block));
                }
            } else {
                message.contentText = stringOf(inner);
            }
        }
    }
    return true;
}

bool isWhitespace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isWhitespace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isWhitespace(text.back())) text.remove_suffix(1);
    return text;
}

// What the user typed, unless the line is the echo of a local command or an interruption notice.
std::optional<std::string> promptTextOf(const Message& message) {
    std::string joined;
    if (message.contentText) {
        joined = *message.contentText;
    } else {
        bool first = true;
        for (const Block& block : message.blocks) {
            if (block.type != "text" || !block.text) continue;
            if (!first) joined.push_back('\n');
            joined.append(*block.text);
            first = false;
        }
    }
    std::string_view text = trimmed(joined);
    if (text.empty()) return std::nullopt;
    for (std::string_view excluded : {"<local-command", "<command", "[Request interrupted"}) {
        if (text.starts_with(excluded)) return std::nullopt;
    }
    return Prompt::summarize(text);
}

// Owned copies of the published-artifact fields: the second pass over the line reuses the parser's string
// buffer that the first pass's views point into.
struct ArtifactFields {
    std::optional<std::string> id, url, title, path;
};

std::optional<ArtifactResult> artifactOf(ArtifactFields fields, const Message& message) {
    if (!fields.url) return std::nullopt;
    auto url = Url::parse(*fields.url);
    if (!url) return std::nullopt;
    std::string scheme = Ascii::lowercased(url->scheme());
    if (scheme != "https") return std::nullopt;
    std::string id;
    if (fields.id) {
        id = std::move(*fields.id);
    } else {
        // Published pages carry no id of their own; the address ends in it.
        std::string path = url->decodedPath();
        while (!path.empty() && path.back() == '/') path.pop_back();
        id = path.substr(path.rfind('/') + 1);
    }
    if (id.empty()) return std::nullopt;
    std::optional<std::string> toolUseID;
    for (const Block& block : message.blocks) {
        if (block.type == "tool_result" && block.toolUseID) {
            toolUseID = std::string(*block.toolUseID);
            break;
        }
    }
    return ArtifactResult{std::move(id), std::move(*url), std::move(fields.title), std::move(fields.path),
                          std::move(toolUseID)};
}

std::optional<TranscriptRecord> decode(const char* data, std::size_t length, std::size_t capacity) {
    thread_local od::parser parser;
    if (parser.capacity() > parserCapacityToKeep && length <= parserCapacityToKeep) parser = od::parser{};

    od::document document;
    if (parser.iterate(data, length, capacity).get(document)) return std::nullopt;
    od::object root;
    if (document.get_object().get(root)) return std::nullopt;
    TopLevel top;
    if (!readTopLevel(root, top)) return std::nullopt;

    TranscriptRecord record;
    record.type = owned(top.type);
    record.sessionID = owned(top.sessionID);
    if (top.type && top.sessionID) {
        if (auto kind = SessionTitle::kindFromRawValue(*top.type)) {
            std::optional<std::string_view> text;
            switch (*kind) {
                case SessionTitle::Kind::agentName:
                    text = top.agentName;
                    break;
                case SessionTitle::Kind::custom:
                    text = top.customTitle;
                    break;
                case SessionTitle::Kind::ai:
                    text = top.aiTitle;
                    break;
            }
            if (!text) return std::nullopt;
            record.title = SessionTitle{*record.sessionID, *kind, std::string(*text), std::nullopt};
        }
    }
    record.cwd = owned(top.cwd);
    record.gitBranch = owned(top.gitBranch);
    if (top.timestamp) record.timestamp = parseIso8601(*top.timestamp);
    record.promptID = owned(top.promptID);
    record.isMeta = top.isMeta;
    record.isSidechain = top.isSidechain;

    ArtifactFields artifactFields{owned(top.artifactID), owned(top.artifactURL), owned(top.artifactTitle),
                                  owned(top.artifactPath)};

    Message message;
    if (top.hasMessage) {
        // The fields that decide how the message is read may follow it, so it is read in a second pass.
        document.rewind();
        if (document.get_object().get(root)) return std::nullopt;
        od::value messageValue;
        if (root.find_field_unordered("message").get(messageValue)) return std::nullopt;
        if (isObject(messageValue) && !readMessage(messageValue, message)) return std::nullopt;
    }

    for (const Block& block : message.blocks) {
        if (block.type == "tool_use" && block.id && block.name) {
            record.toolUses.push_back(
                ToolUse{std::string(*block.id), std::string(*block.name), owned(block.filePath)});
        }
    }
    if (record.type == "user" && message.role == "user") {
        bool hasToolResult = false;
        for (const Block& block : message.blocks) {
            if (block.type != "tool_result") continue;
            hasToolResult = true;
            if (block.toolUseID) record.toolResultIDs.emplace_back(*block.toolUseID);
            for (const ImageView& image : block.images) {
                record.images.push_back(TranscriptImage{
                    std::string(image.data), image.mediaType ? std::string(*image.mediaType) : "image/png",
                    owned(block.toolUseID), record.sessionID, record.cwd, record.timestamp});
            }
        }
        if (!hasToolResult && !record.isMeta && !record.isSidechain)
            record.promptText = promptTextOf(message);
    }
    record.artifact = artifactOf(std::move(artifactFields), message);

    bool interesting = record.sessionID || record.title || record.promptText || !record.toolUses.empty() ||
                       !record.toolResultIDs.empty() || !record.images.empty() || record.artifact;
    if (!interesting) return std::nullopt;
    return record;
}

}  // namespace

namespace TranscriptParser {

std::optional<TranscriptRecord> record(std::string_view line) {
    thread_local std::string padded;
    padded.assign(line);
    padded.resize(line.size() + linePadding, ' ');
    auto result = decode(padded.data(), line.size(), padded.size());
    if (padded.capacity() > parserCapacityToKeep) std::string().swap(padded);
    return result;
}

std::optional<TranscriptRecord> recordInPaddedLine(std::string_view line) {
    return decode(line.data(), line.size(), line.size() + linePadding);
}

std::vector<TranscriptImage> images(std::string_view line) {
    auto decoded = record(line);
    if (!decoded) return {};
    return std::move(decoded->images);
}

bool mayBeTitle(std::string_view line) {
    for (const std::string& pattern : patterns().titles) {
        if (contains(line, pattern)) return true;
    }
    return false;
}

bool mayBeInteresting(std::string_view line) {
    for (std::string_view pattern : patterns().interesting) {
        if (contains(line, pattern)) return true;
    }
    return mayBeTitle(line);
}

bool mayContainImage(std::string_view line) { return contains(line, patterns().image); }

}  // namespace TranscriptParser
}  // namespace brimly
