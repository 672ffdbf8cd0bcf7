// Reading "index.json": a small scanner walks the top-level object and the large arrays in it, and each
// element is parsed on its own by simdjson's On-Demand parser into a reusable `JsonTree`, then decoded by the
// same rules as a parsed `Json`. Building a `Json` for every element was most of what a restart over a large
// shelf took.
#include <fcntl.h>
#include <simdjson.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "core/store/StoreIndex.h"

namespace brimly {

namespace {

namespace od = simdjson::ondemand;

bool build(od::value value, JsonTree& tree, std::string_view key);

bool buildMembers(od::object object, JsonTree& tree) {
    for (auto member : object) {
        od::field field;
        std::string_view key;
        if (std::move(member).get(field) || field.unescaped_key().get(key)) return false;
        if (!build(field.value(), tree, key)) return false;
    }
    return true;
}

bool buildElements(od::array array, JsonTree& tree) {
    for (auto element : array) {
        od::value value;
        if (element.get(value) || !build(value, tree, {})) return false;
    }
    return true;
}

bool buildNumber(od::value value, JsonTree::Node& node) {
    od::number_type type;
    if (!value.get_number_type().get(type)) {
        if (type == od::number_type::signed_integer && !value.get_int64().get(node.signedInteger)) {
            node.type = JsonTree::Type::signedInteger;
            return true;
        }
        if (type == od::number_type::unsigned_integer && !value.get_uint64().get(node.unsignedInteger)) {
            node.type = JsonTree::Type::unsignedInteger;
            return true;
        }
    }
    // Integers beyond 64 bits read as reals, as they do in a parsed `Json`.
    node.type = JsonTree::Type::real;
    return !value.get_double().get(node.real);
}

// Appends `value` and everything in it; false when it is not well-formed JSON.
bool build(od::value value, JsonTree& tree, std::string_view key) {
    od::json_type type;
    if (value.type().get(type)) return false;
    JsonTree::Node node;
    node.key = key;
    switch (type) {
        case od::json_type::object: {
            node.type = JsonTree::Type::object;
            od::object object;
            if (value.get_object().get(object)) return false;
            std::uint32_t at = tree.add(node);
            if (!buildMembers(object, tree)) return false;
            tree.close(at);
            return true;
        }
        case od::json_type::array: {
            node.type = JsonTree::Type::array;
            od::array array;
            if (value.get_array().get(array)) return false;
            std::uint32_t at = tree.add(node);
            if (!buildElements(array, tree)) return false;
            tree.close(at);
            return true;
        }
        case od::json_type::string:
            node.type = JsonTree::Type::string;
            if (value.get_string().get(node.text)) return false;
            break;
        case od::json_type::number:
            if (!buildNumber(value, node)) return false;
            break;
        case od::json_type::boolean:
            node.type = JsonTree::Type::boolean;
            if (value.get_bool().get(node.boolean)) return false;
            break;
        case od::json_type::null: {
            bool isNull = false;
            if (value.is_null().get(isNull) || !isNull) return false;
            break;
        }
    }
    tree.add(node);
    return true;
}

Json toJson(JsonTree::Value value) {
    if (value.isObject() || value.isArray()) {
        Json container = value.isObject() ? Json::object() : Json::array();
        value.everyElement([&container](JsonTree::Value member) {
            if (container.is_object()) {
                container[std::string(member.key())] = toJson(member);
            } else {
                container.push_back(toJson(member));
            }
            return true;
        });
        return container;
    }
    if (value.isString()) return std::string(value.string());
    if (value.isUnsigned()) return value.unsignedInteger();
    if (value.isInteger()) return value.signedInteger();
    if (value.isReal()) return value.real();
    if (value.isBoolean()) return value.boolean();
    return nullptr;
}

// Keeps every element that can be decoded; the others are dropped.
template <typename T>
void keep(std::vector<T>& list, JsonTree::Value element) {
    if (auto value = T::fromJson(element)) list.push_back(std::move(*value));
}

// The index's text, whole or read from a file a block at a time.
class Input {
public:
    explicit Input(std::string_view text) : m_data(text.data()), m_end(text.size()) {}
    explicit Input(int fd) : m_fd(fd), m_block(blockSize, '\0'), m_data(m_block.data()) {}

    // The next byte, or -1 at the end of the text (or where it could not be read: see `failed`).
    int peek() {
        if (m_at == m_end && !refill()) return -1;
        return static_cast<unsigned char>(m_data[m_at]);
    }
    void advance() { ++m_at; }
    bool failed() const { return m_failed; }

    // Appends the raw text of the value starting here; false where the text ends inside it. What is captured
    // is only delimited here: the parser checks it.
    bool capture(std::string& out) {
        int first = peek();
        if (first < 0) return false;
        if (first != '{' && first != '[' && first != '"') {
            // A number or literal runs to the next delimiter.
            for (int c = first; c >= 0 && !isDelimiter(c); c = peek()) {
                out.push_back(static_cast<char>(c));
                advance();
            }
            return true;
        }
        int depth = 0;
        bool inString = false;
        bool escaped = false;
        while (peek() >= 0) {
            std::size_t at = m_at;
            bool done = false;
            for (; at < m_end && !done; ++at) {
                char c = m_data[at];
                if (inString) {
                    if (escaped) {
                        escaped = false;
                    } else if (c == '\\') {
                        escaped = true;
                    } else if (c == '"') {
                        inString = false;
                        done = depth == 0;
                    }
                } else if (c == '"') {
                    inString = true;
                } else if (c == '{' || c == '[') {
                    ++depth;
                } else if (c == '}' || c == ']') {
                    done = --depth == 0;
                }
            }
            out.append(m_data + m_at, at - m_at);
            m_at = at;
            if (done) return true;
        }
        return false;
    }

    // The next byte that is not JSON whitespace, not consumed.
    int skipSpace() {
        for (int c = peek();; c = peek()) {
            if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return c;
            advance();
        }
    }

private:
    // Large enough that reading costs little, small enough to be nothing beside the shelf.
    static constexpr std::size_t blockSize = 64 * 1024;

    static bool isDelimiter(int c) {
        return c == ',' || c == ']' || c == '}' || c == ' ' || c == '\t' || c == '\n' || c == '\r';
    }

    bool refill() {
        if (m_fd < 0 || m_failed) return false;
        ssize_t got = 0;
        do {
            got = ::read(m_fd, m_block.data(), m_block.size());
        } while (got < 0 && errno == EINTR);
        m_failed = got < 0;
        if (got <= 0) return false;
        m_at = 0;
        m_end = static_cast<std::size_t>(got);
        return true;
    }

    int m_fd = -1;
    std::string m_block;
    const char* m_data;
    std::size_t m_at = 0;
    std::size_t m_end = 0;
    bool m_failed = false;
};

// Parses one value at a time into a tree, reusing its buffers: they grow to the largest value and no further.
class ValueParser {
public:
    // The tree of the next value of `input`; nothing when it is not well-formed.
    std::optional<JsonTree::Value> parseNext(Input& input) {
        // Captured straight into an array, so that a lone scalar is a value like any other; the parser wants
        // its input followed by padding it may read but never uses.
        m_text.assign(1, '[');
        if (!input.capture(m_text) || m_text.size() == 1) return std::nullopt;
        m_text.push_back(']');
        std::size_t length = m_text.size();
        m_text.resize(length + simdjson::SIMDJSON_PADDING);
        od::document document;
        od::array array;
        if (m_parser.iterate(simdjson::padded_string_view(m_text.data(), length, m_text.size()))
                .get(document) ||
            document.get_array().get(array)) {
            return std::nullopt;
        }
        m_tree.clear();
        std::size_t count = 0;
        for (auto element : array) {
            od::value value;
            if (element.get(value) || !build(value, m_tree, {}) || ++count > 1) return std::nullopt;
        }
        const char* rest = nullptr;
        if (count != 1 || document.current_location().get(rest) != simdjson::OUT_OF_BOUNDS)
            return std::nullopt;
        return m_tree.root();
    }

private:
    od::parser m_parser;
    std::string m_text;
    JsonTree m_tree;
};

bool isStreamed(std::string_view key) {
    return key == "items" || key == "sessions" || key == "prompts" || key == "hiddenItems";
}

// The index one value at a time: memory while loading grows with the largest element rather than with the
// file. Parsing a 20 000-item index whole took some 25 MB of buffers beside the shelf it built.
std::optional<StoreIndex> decodeInput(Input& input, const std::function<void(ShelfItem&&)>& onItem) {
    StoreIndex result;
    // The index without its large arrays, which hold empty arrays here as they would after a streamed parse.
    Json top = Json::object();
    ValueParser parser;
    auto next = [&] { return parser.parseNext(input); };
    if (input.skipSpace() != '{') return std::nullopt;
    input.advance();
    int c = input.skipSpace();
    if (c == '}') input.advance();
    while (c != '}') {
        auto name = c == '"' ? next() : std::nullopt;
        if (!name || !name->isString()) return std::nullopt;
        std::string key(name->string());
        if (input.skipSpace() != ':') return std::nullopt;
        input.advance();
        if (isStreamed(key) && input.skipSpace() == '[') {
            input.advance();
            for (c = input.skipSpace(); c != ']';) {
                auto element = next();
                if (!element) return std::nullopt;
                if (key == "items") {
                    if (auto decoded = ShelfItem::fromJson(*element)) onItem(std::move(*decoded));
                } else if (key == "sessions") {
                    keep(result.sessions, *element);
                } else if (key == "prompts") {
                    keep(result.prompts, *element);
                } else {
                    keep(result.hiddenItems, *element);
                }
                c = input.skipSpace();
                if (c == ',') {
                    input.advance();
                    if (input.skipSpace() == ']') return std::nullopt;
                } else if (c != ']') {
                    return std::nullopt;
                }
            }
            input.advance();
            top[key] = Json::array();
        } else {
            input.skipSpace();
            auto value = next();
            if (!value) return std::nullopt;
            top[key] = toJson(*value);
        }
        c = input.skipSpace();
        if (c == ',') {
            input.advance();
            c = input.skipSpace();
            if (c != '"') return std::nullopt;
        } else if (c == '}') {
            input.advance();
        } else {
            return std::nullopt;
        }
    }
    // Anything after the object makes the file malformed.
    if (input.skipSpace() >= 0 || input.failed()) return std::nullopt;
    if (!StoreIndex::readSmallFields(top, result)) return std::nullopt;
    return result;
}

}  // namespace

std::optional<StoreIndex> StoreIndex::decode(std::string_view text) {
    std::vector<ShelfItem> items;
    auto result = decode(text, [&items](ShelfItem&& item) { items.push_back(std::move(item)); });
    if (result) result->items = std::move(items);
    return result;
}

std::optional<StoreIndex> StoreIndex::decode(std::string_view text,
                                             const std::function<void(ShelfItem&&)>& onItem) {
    Input input(text);
    return decodeInput(input, onItem);
}

std::optional<StoreIndex> StoreIndex::decodeFile(const std::string& path,
                                                 const std::function<void(ShelfItem&&)>& onItem) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    Input input(fd);
    auto result = decodeInput(input, onItem);
    ::close(fd);
    return result;
}

}  // namespace brimly
