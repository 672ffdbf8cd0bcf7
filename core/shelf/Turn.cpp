#include "core/shelf/Turn.h"

#include "core/store/Session.h"

namespace brimly {

namespace {

constexpr std::string_view folderPrefix = "folder:";

std::string_view directoryOf(std::string_view path) {
    auto slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view{} : path.substr(0, slash);
}

}  // namespace

std::string Turn::idFor(const ShelfItem& item) {
    if (item.promptID) return *item.promptID;
    std::string id(earlierPrefix);
    id += item.sessionID;
    if (!Session::isFolderID(item.sessionID) || !item.sourcePath) return id;
    std::string_view folder = std::string_view(item.sessionID).substr(folderPrefix.size());
    std::string_view directory = directoryOf(*item.sourcePath);
    if (directory.size() <= folder.size() || !directory.starts_with(folder) ||
        directory[folder.size()] != '/') {
        return id;
    }
    std::string_view rest = directory.substr(folder.size() + 1);
    while (rest.starts_with('/')) rest.remove_prefix(1);
    while (rest.ends_with('/')) rest.remove_suffix(1);
    if (rest.empty()) return id;
    id += subfolderSeparator;
    id += rest;
    return id;
}

bool Turn::isEarlier() const { return id.starts_with(earlierPrefix); }

bool Turn::isFolderFiles() const {
    if (!isEarlier()) return false;
    std::string_view session = std::string_view(id).substr(earlierPrefix.size());
    session = session.substr(0, session.find(subfolderSeparator));
    return Session::isFolderID(session);
}

std::optional<std::string> Turn::subfolder() const {
    if (!isFolderFiles()) return std::nullopt;
    auto separator = id.find(subfolderSeparator);
    if (separator == std::string::npos) return std::nullopt;
    return id.substr(separator + 1);
}

}  // namespace brimly
