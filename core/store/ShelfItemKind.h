#pragma once

#include <array>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace brimly {

// What a shelf item is; decides which filters and previews apply. The raw values are persisted.
enum class ShelfItemKind { image, html, pdf, document, video, audio, artifact, file };

namespace ShelfItemKinds {

inline constexpr std::array<ShelfItemKind, 8> allCases = {
    ShelfItemKind::image, ShelfItemKind::html,  ShelfItemKind::pdf,      ShelfItemKind::document,
    ShelfItemKind::video, ShelfItemKind::audio, ShelfItemKind::artifact, ShelfItemKind::file};

std::string_view rawValue(ShelfItemKind kind);
std::optional<ShelfItemKind> fromRawValue(std::string_view raw);

// The kind of a file extension (no leading dot), compared case-insensitively and otherwise exactly.
std::optional<ShelfItemKind> forExtension(std::string_view ext);
// As above; an extension listed in `extra` (lower-case, no dots) that has no kind of its own is a `file`.
std::optional<ShelfItemKind> forExtension(std::string_view ext, const std::set<std::string>& extra);

// Every kind but `file`.
const std::set<ShelfItemKind>& shownByDefault();

}  // namespace ShelfItemKinds
}  // namespace brimly
