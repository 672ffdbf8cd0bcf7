#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "core/base/Url.h"

namespace brimly {

// A page Claude published: its identifier, its public address and, when known, its title and the local
// file it was published from.
struct ArtifactInfo {
    std::string id;
    Url url;
    std::optional<std::string> title;
    std::optional<std::string> path;

    bool operator==(const ArtifactInfo&) const = default;
};

}  // namespace brimly

template <>
struct std::hash<brimly::ArtifactInfo> {
    std::size_t operator()(const brimly::ArtifactInfo& info) const noexcept {
        std::hash<std::string> text;
        auto optional = [&](const std::optional<std::string>& value) {
            return value ? text(*value) * 3 + 1 : std::size_t{0};
        };
        std::size_t seed = text(info.id);
        for (std::size_t part : {text(info.url.string()), optional(info.title), optional(info.path)}) {
            seed ^= part + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
        }
        return seed;
    }
};
