#include "core/engine/TranscriptParser.h"

#include <simdjson.h>

#include <array>
#include <cstring>
#include <string>
#include <utility>

#include "core/base/Ascii.h"
#include "core/base/Iso8601.h"
#include "core/base/Utf8.h"
#include "core/store/Prompt.h"

namespace brimly {

namespace {

namespace od = simdjson::ondemand;

static_assert(TranscriptParser::linePadding >= simdjson::SIMDJSON_PADDING);

// A parser keeps the capacity of the longest line it read, some five bytes per byte of it; past this it is
// rebuilt after the line, so that a screenshot's line does not pin its megabytes while the thread idles.
// Ordinary lines stay well below it and reuse one parser.
constexpr std::size_t parserCapacityToKeep = std::size_t{1} << 20;

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

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// A value's text as it stands in the line, without the white space that may follow it.
std::string_view tokenOf(od::value& value) {
    std::string_view token = value.raw_json_token();
    while (!token.empty() &&
           (token.back() == ' ' || token.back() == '\t' || token.back() == '\n' || token.back() == '\r')) {
        token.remove_suffix(1);
    }
    return token;
}

// The scanner only finds where a string ends; its escapes are checked by whoever reads it. A lone surrogate
// escape is well-formed JSON (JavaScript writes one when it cuts text inside an emoji), so it passes here.
bool isWellFormedString(std::string_view token) {
    if (token.size() < 2 || token.front() != '"' || token.back() != '"') return false;
    std::string_view inner = token.substr(1, token.size() - 2);
    for (std::size_t at = inner.find('\\'); at != std::string_view::npos; at = inner.find('\\', at)) {
        if (at + 1 >= inner.size()) return false;
        char escaped = inner[at + 1];
        if (escaped == 'u') {
            if (at + 6 > inner.size()) return false;
            for (char c : inner.substr(at + 2, 4)) {
                if (!isHexDigit(c)) return false;
            }
            at += 6;
        } else if (std::string_view(R"("\/bfnrt)").find(escaped) != std::string_view::npos) {
            at += 2;
        } else {
            return false;
        }
    }
    return true;
}

// JSON's number grammar; a number too large for a double is still well-formed.
bool isWellFormedNumber(std::string_view token) {
    std::size_t at = 0;
    auto digits = [&] {
        std::size_t start = at;
        while (at < token.size() && isDigit(token[at])) ++at;
        return at > start;
    };
    if (at < token.size() && token[at] == '-') ++at;
    if (at < token.size() && token[at] == '0') {
        ++at;
    } else if (!digits()) {
        return false;
    }
    if (at < token.size() && token[at] == '.') {
        ++at;
        if (!digits()) return false;
    }
    if (at < token.size() && (token[at] == 'e' || token[at] == 'E')) {
        ++at;
        if (at < token.size() && (token[at] == '+' || token[at] == '-')) ++at;
        if (!digits()) return false;
    }
    return at == token.size();
}

bool isWellFormedScalar(std::string_view token) {
    if (token.empty()) return false;
    switch (token.front()) {
        case '"':
            return isWellFormedString(token);
        case 't':
            return token == "true";
        case 'f':
            return token == "false";
        case 'n':
            return token == "null";
        default:
            return isWellFormedNumber(token);
    }
}

bool skip(od::value& value);

// The one walk over an object's members. `read(key, value)` returns false when the line is malformed; a
// member it does not want it hands to `skip`, so that no part of a line goes unchecked.
template <typename Read>
bool eachMember(od::object& object, Read&& read) {
    for (auto fieldResult : object) {
        od::field field;
        if (std::move(fieldResult).get(field)) return false;
        std::string_view key;
        if (field.unescaped_key().get(key)) return false;
        if (!read(key, field.value())) return false;
    }
    return true;
}

template <typename Read>
bool eachMember(od::value& value, Read&& read) {
    od::object object;
    if (value.get_object().get(object)) return false;
    return eachMember(object, std::forward<Read>(read));
}

template <typename Read>
bool eachElement(od::value& value, Read&& read) {
    od::array array;
    if (value.get_array().get(array)) return false;
    for (auto elementResult : array) {
        od::value element;
        if (std::move(elementResult).get(element)) return false;
        if (!read(element)) return false;
    }
    return true;
}

// Checks a value nobody reads: the scanner alone would accept a bad escape or literal inside it.
bool skip(od::value& value) {
    od::json_type type;
    if (value.type().get(type)) return false;
    switch (type) {
        case od::json_type::object:
            return eachMember(value, [](std::string_view, od::value& member) { return skip(member); });
        case od::json_type::array:
            return eachElement(value, [](od::value& element) { return skip(element); });
        case od::json_type::number:
        case od::json_type::string:
        case od::json_type::boolean:
        case od::json_type::null:
            return isWellFormedScalar(tokenOf(value));
    }
    return false;
}

bool isType(od::value& value, od::json_type wanted) {
    od::json_type type;
    return !value.type().get(type) && type == wanted;
}

// A string member; another type leaves `into` empty. Text the decoder cannot turn into UTF-8 (a lone
// surrogate) is absent too, but does not make the line malformed.
bool readString(od::value& value, std::optional<std::string_view>& into) {
    into.reset();
    if (!isType(value, od::json_type::string)) return skip(value);
    if (!isWellFormedString(tokenOf(value))) return false;
    std::string_view text;
    if (!value.get_string().get(text)) into = text;
    return true;
}

// The string's bytes as they sit in the line, so that a multi-megabyte Base64 text is copied exactly once,
// into the record. Escaped text (never seen in Base64 in practice) is unescaped instead.
bool readLocatedString(od::value& value, std::optional<std::string_view>& into) {
    into.reset();
    if (!isType(value, od::json_type::string)) return skip(value);
    std::string_view token = tokenOf(value);
    if (token.size() >= 2 && token.front() == '"' && token.back() == '"') {
        std::string_view inner = token.substr(1, token.size() - 2);
        if (std::memchr(inner.data(), '\\', inner.size()) == nullptr) {
            into = inner;
            return true;
        }
    }
    return readString(value, into);
}

bool readBool(od::value& value, bool& into) {
    into = false;
    if (!isType(value, od::json_type::boolean)) return skip(value);
    if (value.get_bool().get(into)) return false;
    return true;
}

std::optional<std::string> owned(std::optional<std::string_view> view) {
    if (!view) return std::nullopt;
    return std::string(*view);
}

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

struct ToolUseResult {
    std::optional<std::string_view> artifactID, url, title, path;
    // Whether every member is one of the three the publishing tool returns.
    bool hasPublishedShape = true;
};

// Views into the line or the parser's string buffer; both live until the next line is parsed.
struct TopLevel {
    std::optional<std::string_view> type, sessionID, cwd, gitBranch, timestamp, promptID;
    std::optional<std::string_view> agentName, customTitle, aiTitle;
    bool isMeta = false;
    bool isSidechain = false;
    Message message;
    std::optional<ToolUseResult> toolUseResult;
};

bool readToolUseResult(od::value& value, std::optional<ToolUseResult>& into) {
    into.reset();
    if (!isType(value, od::json_type::object)) return skip(value);
    ToolUseResult result;
    bool ok = eachMember(value, [&](std::string_view key, od::value& member) {
        if (key == "artifact_id") return readString(member, result.artifactID);
        if (key == "url") return readString(member, result.url);
        if (key == "title") return readString(member, result.title);
        if (key == "path") return readString(member, result.path);
        result.hasPublishedShape = false;
        return skip(member);
    });
    into = result;
    return ok;
}

bool readImage(od::value& value, Block& block) {
    if (!isType(value, od::json_type::object)) return skip(value);
    std::optional<std::string_view> type, sourceType, data;
    ImageView image;
    bool ok = eachMember(value, [&](std::string_view key, od::value& member) {
        if (key == "type") return readString(member, type);
        if (key != "source" || !isType(member, od::json_type::object)) return skip(member);
        return eachMember(member, [&](std::string_view sourceKey, od::value& inner) {
            if (sourceKey == "type") return readString(inner, sourceType);
            if (sourceKey == "media_type") return readString(inner, image.mediaType);
            if (sourceKey == "data") return readLocatedString(inner, data);
            return skip(inner);
        });
    });
    if (ok && type == "image" && sourceType == "base64" && data) {
        image.data = *data;
        block.images.push_back(image);
    }
    return ok;
}

bool readBlock(od::value& value, Message& message) {
    if (!isType(value, od::json_type::object)) return skip(value);
    Block block;
    bool ok = eachMember(value, [&](std::string_view key, od::value& member) {
        if (key == "type") return readString(member, block.type);
        if (key == "id") return readString(member, block.id);
        if (key == "name") return readString(member, block.name);
        if (key == "tool_use_id") return readString(member, block.toolUseID);
        if (key == "text") return readString(member, block.text);
        if (key == "input" && isType(member, od::json_type::object)) {
            return eachMember(member, [&](std::string_view inputKey, od::value& input) {
                return inputKey == "file_path" ? readString(input, block.filePath) : skip(input);
            });
        }
        if (key == "content" && isType(member, od::json_type::array)) {
            return eachElement(member, [&](od::value& element) { return readImage(element, block); });
        }
        return skip(member);
    });
    message.blocks.push_back(std::move(block));
    return ok;
}

bool readMessage(od::value& value, Message& message) {
    message = Message{};
    if (!isType(value, od::json_type::object)) return skip(value);
    return eachMember(value, [&](std::string_view key, od::value& member) {
        if (key == "role") return readString(member, message.role);
        if (key != "content") return skip(member);
        message.contentText.reset();
        message.blocks.clear();
        if (isType(member, od::json_type::array)) {
            return eachElement(member, [&](od::value& element) { return readBlock(element, message); });
        }
        return readString(member, message.contentText);
    });
}

bool readTopLevel(od::object& root, TopLevel& top) {
    return eachMember(root, [&](std::string_view key, od::value& value) {
        if (key == "type") return readString(value, top.type);
        if (key == "sessionId") return readString(value, top.sessionID);
        if (key == "cwd") return readString(value, top.cwd);
        if (key == "gitBranch") return readString(value, top.gitBranch);
        if (key == "timestamp") return readString(value, top.timestamp);
        if (key == "promptId") return readString(value, top.promptID);
        if (key == "isMeta") return readBool(value, top.isMeta);
        if (key == "isSidechain") return readBool(value, top.isSidechain);
        if (key == "agentName") return readString(value, top.agentName);
        if (key == "customTitle") return readString(value, top.customTitle);
        if (key == "aiTitle") return readString(value, top.aiTitle);
        if (key == "message") return readMessage(value, top.message);
        if (key == "toolUseResult") return readToolUseResult(value, top.toolUseResult);
        return skip(value);
    });
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
    std::string_view text = Utf8::trimWhitespaceAndNewlines(joined);
    if (text.empty()) return std::nullopt;
    for (std::string_view excluded : {"<local-command", "<command", "[Request interrupted"}) {
        if (text.starts_with(excluded)) return std::nullopt;
    }
    return Prompt::summarize(text);
}

std::optional<ArtifactResult> artifactOf(const ToolUseResult& result, const Message& message) {
    if (!result.url) return std::nullopt;
    auto url = Url::parse(*result.url);
    if (!url) return std::nullopt;
    std::string scheme = Ascii::lowercased(url->scheme());
    if (scheme != "https") return std::nullopt;
    std::string id;
    auto evidence = ArtifactResult::Evidence::artifactID;
    if (result.artifactID) {
        id = *result.artifactID;
    } else {
        // Published pages carry no id of their own; the address ends in it.
        std::string path = url->decodedPath();
        while (!path.empty() && path.back() == '/') path.pop_back();
        id = path.substr(path.rfind('/') + 1);
        evidence = result.hasPublishedShape ? ArtifactResult::Evidence::publishedShape
                                            : ArtifactResult::Evidence::addressOnly;
    }
    if (id.empty()) return std::nullopt;
    std::optional<std::string> toolUseID;
    for (const Block& block : message.blocks) {
        if (block.type == "tool_result" && block.toolUseID) {
            toolUseID = std::string(*block.toolUseID);
            break;
        }
    }
    return ArtifactResult{std::move(id),      std::move(*url),      owned(result.title),
                          owned(result.path), std::move(toolUseID), evidence};
}

std::optional<TranscriptRecord> decodeWith(od::parser& parser, const char* data, std::size_t length,
                                           std::size_t capacity) {
    od::document document;
    if (parser.iterate(data, length, capacity).get(document)) return std::nullopt;
    od::object root;
    if (document.get_object().get(root)) return std::nullopt;
    TopLevel top;
    if (!readTopLevel(root, top)) return std::nullopt;
    // Anything after the object, even another object, makes the line malformed.
    const char* rest = nullptr;
    if (document.current_location().get(rest) != simdjson::OUT_OF_BOUNDS) return std::nullopt;

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

    const Message& message = top.message;
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
    if (top.toolUseResult) record.artifact = artifactOf(*top.toolUseResult, message);

    bool interesting = record.sessionID || record.title || record.promptText || !record.toolUses.empty() ||
                       !record.toolResultIDs.empty() || !record.images.empty() || record.artifact;
    if (!interesting) return std::nullopt;
    return record;
}

// The record owns its strings, so the parser can go as soon as it is made.
std::optional<TranscriptRecord> decode(const char* data, std::size_t length, std::size_t capacity) {
    thread_local od::parser parser;
    auto record = decodeWith(parser, data, length, capacity);
    if (parser.capacity() > parserCapacityToKeep) parser = od::parser{};
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
