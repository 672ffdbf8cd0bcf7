#include "core/store/ShelfItemKind.h"

#include <algorithm>
#include <utility>

namespace brimly::ShelfItemKinds {

namespace {

constexpr std::array<std::pair<std::string_view, ShelfItemKind>, 28> extensionTable = {{
    {"png", ShelfItemKind::image},      {"jpg", ShelfItemKind::image},
    {"jpeg", ShelfItemKind::image},     {"gif", ShelfItemKind::image},
    {"webp", ShelfItemKind::image},     {"heic", ShelfItemKind::image},
    {"svg", ShelfItemKind::image},      {"html", ShelfItemKind::html},
    {"htm", ShelfItemKind::html},       {"pdf", ShelfItemKind::pdf},
    {"docx", ShelfItemKind::document},  {"doc", ShelfItemKind::document},
    {"xlsx", ShelfItemKind::document},  {"xls", ShelfItemKind::document},
    {"pptx", ShelfItemKind::document},  {"ppt", ShelfItemKind::document},
    {"key", ShelfItemKind::document},   {"numbers", ShelfItemKind::document},
    {"pages", ShelfItemKind::document}, {"mp4", ShelfItemKind::video},
    {"mov", ShelfItemKind::video},      {"m4v", ShelfItemKind::video},
    {"webm", ShelfItemKind::video},     {"mp3", ShelfItemKind::audio},
    {"wav", ShelfItemKind::audio},      {"m4a", ShelfItemKind::audio},
    {"aiff", ShelfItemKind::audio},     {"flac", ShelfItemKind::audio},
}};

std::string lowered(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

}  // namespace

std::string_view rawValue(ShelfItemKind kind) {
    switch (kind) {
        case ShelfItemKind::image:
            return "image";
        case ShelfItemKind::html:
            return "html";
        case ShelfItemKind::pdf:
            return "pdf";
        case ShelfItemKind::document:
            return "document";
        case ShelfItemKind::video:
            return "video";
        case ShelfItemKind::audio:
            return "audio";
        case ShelfItemKind::artifact:
            return "artifact";
        case ShelfItemKind::file:
            return "file";
    }
    return "file";
}

std::optional<ShelfItemKind> fromRawValue(std::string_view raw) {
    for (ShelfItemKind kind : allCases) {
        if (rawValue(kind) == raw) return kind;
    }
    return std::nullopt;
}

std::optional<ShelfItemKind> forExtension(std::string_view ext) {
    std::string key = lowered(ext);
    auto found = std::find_if(extensionTable.begin(), extensionTable.end(),
                              [&](const auto& entry) { return entry.first == key; });
    if (found == extensionTable.end()) return std::nullopt;
    return found->second;
}

std::optional<ShelfItemKind> forExtension(std::string_view ext, const std::set<std::string>& extra) {
    if (auto kind = forExtension(ext)) return kind;
    if (extra.count(lowered(ext)) > 0) return ShelfItemKind::file;
    return std::nullopt;
}

const std::set<ShelfItemKind>& shownByDefault() {
    static const std::set<ShelfItemKind> kinds = {
        ShelfItemKind::image, ShelfItemKind::html,  ShelfItemKind::pdf,     ShelfItemKind::document,
        ShelfItemKind::video, ShelfItemKind::audio, ShelfItemKind::artifact};
    return kinds;
}

}  // namespace brimly::ShelfItemKinds
