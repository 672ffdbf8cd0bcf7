#include "core/engine/ChromeScreenshots.h"

#include <array>
#include <string_view>

#include "core/base/Ascii.h"
#include "core/platform/FileSystem.h"

namespace brimly::ChromeScreenshots {

namespace {

constexpr std::string_view folderPrefix = "claude-chrome-screenshots-";

}  // namespace

bool matches(const std::string& path) {
    if (path.find("/" + std::string(folderPrefix)) == std::string::npos) return false;
    if (!FileSystem::lastComponent(FileSystem::parentPath(path)).starts_with(folderPrefix)) return false;
    if (!FileSystem::lastComponent(path).starts_with("screenshot-")) return false;
    // The extension saves PNG as well as JPEG screenshots.
    std::string extension = Ascii::lowercased(FileSystem::extension(path));
    constexpr std::array<std::string_view, 3> accepted = {"jpg", "jpeg", "png"};
    for (std::string_view candidate : accepted) {
        if (extension == candidate) return true;
    }
    return false;
}

std::vector<Url> files(const std::string& root, double within, Date now) {
    const Date cutoff = now - within;
    std::vector<Url> found;
    auto entries = FileSystem::list(root);
    if (!entries) return found;
    for (const DirectoryEntry& folder : *entries) {
        if (!folder.name.starts_with(folderPrefix)) continue;
        std::string folderPath = FileSystem::join(root, folder.name);
        if (!FileSystem::isTrustedDirectory(folderPath)) continue;
        auto shots = FileSystem::list(folderPath);
        if (!shots) continue;
        for (const DirectoryEntry& shot : *shots) {
            std::string path = FileSystem::join(folderPath, shot.name);
            if (!shot.info.isFile() || !matches(path)) continue;
            if (shot.info.modifiedAt >= cutoff) found.push_back(Url::fromPath(path));
        }
    }
    return found;
}

}  // namespace brimly::ChromeScreenshots
