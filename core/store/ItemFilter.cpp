#include "core/store/ItemFilter.h"

#include <fnmatch.h>

#include <algorithm>

#include "core/base/Ascii.h"
#include "core/platform/FileSystem.h"

namespace brimly {

namespace {

bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string trimmedWhiteSpace(std::string_view text) {
    while (!text.empty() && isWhiteSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isWhiteSpace(text.back())) text.remove_suffix(1);
    return std::string(text);
}

}  // namespace

std::string Verdict::reason() const {
    if (const auto* rejection = std::get_if<Reject>(&value)) return rejection->reason;
    return {};
}

std::vector<std::string> ItemFilter::globs(const Environment& env) {
    std::vector<std::string> patterns;
    auto found = env.find("BRIMLY_IGNORE_GLOBS");
    if (found == env.end()) return patterns;
    std::string_view rest = found->second;
    while (true) {
        size_t comma = rest.find(',');
        std::string piece = trimmedWhiteSpace(rest.substr(0, comma));
        if (!piece.empty()) patterns.push_back(std::move(piece));
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    return patterns;
}

Verdict ItemFilter::accepts(const FilterInput& input) const {
    if (!input.kind) return Verdict::reject("not a file type the shelf shows");
    const ShelfItemKind kind = *input.kind;
    // `file` items exist only through the extra extensions, which are their own switch.
    if (kind != ShelfItemKind::file && !kinds.contains(kind)) {
        return Verdict::reject(std::string(ShelfItemKinds::rawValue(kind)) + " is turned off in Settings");
    }
    if (oldest && input.createdAt < *oldest) return Verdict::reject("older than retention");
    if (input.sourcePath) {
        for (const auto& pattern : ignoreGlobs) {
            if (fnmatch(pattern.c_str(), input.sourcePath->c_str(), 0) == 0) {
                return Verdict::reject("matches BRIMLY_IGNORE_GLOBS " + pattern);
            }
        }
    }
    // Files in the user's watched folders are wanted wherever they are.
    if (outsideProjectOnly && input.source != Source::folder && input.projectFolder && input.sourcePath &&
        FileSystem::isPathInside(*input.sourcePath, *input.projectFolder)) {
        return Verdict::reject("inside the session's project folder");
    }
    if (kind == ShelfItemKind::artifact) return Verdict::accept();
    if (input.byteCount < minBytes) return Verdict::reject("under " + std::to_string(minBytes) + " bytes");
    if (kind != ShelfItemKind::image) return Verdict::accept();
    // Vector images have no pixel size.
    if (Ascii::lowercased(input.fileExtension) == "svg") return Verdict::accept();
    if (!input.pixelWidth || !input.pixelHeight) return Verdict::reject("unreadable image");
    if (*input.pixelWidth >= minPixels && *input.pixelHeight >= minPixels) return Verdict::accept();
    return Verdict::reject("smaller than " + std::to_string(minPixels) + " px");
}

}  // namespace brimly
