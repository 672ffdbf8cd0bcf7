#include "core/base/JsonTree.h"

#include <cassert>

namespace brimly {

double JsonTree::Value::real() const {
    switch (node().type) {
        case Type::signedInteger:
            return static_cast<double>(node().signedInteger);
        case Type::unsignedInteger:
            return static_cast<double>(node().unsignedInteger);
        default:
            return node().real;
    }
}

std::optional<JsonTree::Value> JsonTree::Value::find(std::string_view key) const {
    if (!isObject()) return std::nullopt;
    std::optional<Value> found;
    everyElement([&](Value member) {
        if (m_tree->m_nodes[member.m_index].key == key) found = member;
        return true;
    });
    return found;
}

std::uint32_t JsonTree::add(const Node& node) {
    auto index = static_cast<std::uint32_t>(m_nodes.size());
    m_nodes.push_back(node);
    m_nodes.back().end = index + 1;
    return index;
}

void JsonTree::close(std::uint32_t container) {
    assert(container < m_nodes.size());
    m_nodes[container].end = static_cast<std::uint32_t>(m_nodes.size());
}

}  // namespace brimly
