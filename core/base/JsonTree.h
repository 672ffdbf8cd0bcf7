#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace brimly {

// One parsed JSON value held as a flat list of nodes, each followed by its subtree and knowing where that
// ends. Strings and keys are views into text the builder keeps alive (a parser's buffers), so a tree that is
// cleared and rebuilt for every element of a large document allocates nothing once its list has grown.
class JsonTree {
public:
    enum class Type : std::uint8_t {
        null,
        boolean,
        signedInteger,
        unsignedInteger,
        real,
        string,
        array,
        object
    };

    struct Node {
        Type type = Type::null;
        bool boolean = false;
        // The node's key when it is a member of an object.
        std::string_view key;
        // A string's value.
        std::string_view text;
        std::int64_t signedInteger = 0;
        std::uint64_t unsignedInteger = 0;
        double real = 0;
        // The index just past the node's subtree.
        std::uint32_t end = 0;
    };

    // A node of the tree, read the way a parsed `Json` is (see `JsonRef`).
    class Value {
    public:
        Value(const JsonTree& tree, std::uint32_t index) : m_tree(&tree), m_index(index) {}

        bool isObject() const { return node().type == Type::object; }
        bool isArray() const { return node().type == Type::array; }
        bool isNull() const { return node().type == Type::null; }
        bool isString() const { return node().type == Type::string; }
        bool isNumber() const { return isInteger() || isReal(); }
        bool isInteger() const { return node().type == Type::signedInteger || isUnsigned(); }
        bool isUnsigned() const { return node().type == Type::unsignedInteger; }
        bool isReal() const { return node().type == Type::real; }
        bool isBoolean() const { return node().type == Type::boolean; }

        // The name of an object's member.
        std::string_view key() const { return node().key; }
        std::string_view string() const { return node().text; }
        bool boolean() const { return node().boolean; }
        double real() const;
        std::int64_t signedInteger() const { return node().signedInteger; }
        std::uint64_t unsignedInteger() const { return node().unsignedInteger; }

        // The member named `key`; of a key given twice the last, as a parsed object keeps it.
        std::optional<Value> find(std::string_view key) const;
        // Calls `f` with each element of an array (or member of an object) in order while it returns true;
        // false when `f` stopped it.
        template <typename F>
        bool everyElement(F&& f) const {
            for (std::uint32_t child = m_index + 1; child < node().end; child = m_tree->m_nodes[child].end) {
                if (!f(Value(*m_tree, child))) return false;
            }
            return true;
        }

    private:
        const Node& node() const { return m_tree->m_nodes[m_index]; }

        const JsonTree* m_tree;
        std::uint32_t m_index;
    };

    void clear() { m_nodes.clear(); }
    // Appends the next node in document order and gives its index; a container's members follow it until
    // `close` is called with that index.
    std::uint32_t add(const Node& node);
    void close(std::uint32_t container);
    // The first node added; the tree must not be empty.
    Value root() const { return Value(*this, 0); }

private:
    std::vector<Node> m_nodes;
};

}  // namespace brimly
