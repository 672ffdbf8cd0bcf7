#include "app/settings/WindowState.h"

#include "core/base/AtomicFile.h"
#include "core/platform/FileSystem.h"

namespace brimly::WindowState {

namespace {

std::optional<Json> value(const std::string& path, std::string_view key) {
    auto bytes = AtomicFile::read(path);
    if (!bytes) return std::nullopt;
    auto parsed = JsonIO::parse(*bytes);
    if (!parsed || !parsed->is_object()) return std::nullopt;
    auto found = parsed->find(key);
    if (found == parsed->end()) return std::nullopt;
    return *found;
}

}  // namespace

std::optional<std::string> text(const std::string& preferencesPath, std::string_view key) {
    auto found = value(preferencesPath, key);
    if (!found || !found->is_string()) return std::nullopt;
    return found->get<std::string>();
}

bool flag(const std::string& preferencesPath, std::string_view key) {
    auto found = value(preferencesPath, key);
    return found && found->is_boolean() && found->get<bool>();
}

std::error_code set(const std::string& preferencesPath, std::string_view key, const Json& value) {
    Json object = Json::object();
    std::error_code readError;
    if (auto bytes = AtomicFile::read(preferencesPath, &readError)) {
        auto parsed = JsonIO::parse(*bytes);
        // A damaged file is the user's to repair; writing over it would lose what they had.
        if (!parsed || !parsed->is_object()) return std::make_error_code(std::errc::invalid_argument);
        object = std::move(*parsed);
    } else if (readError != std::errc::no_such_file_or_directory) {
        return readError;
    }
    if (object.contains(key) && object[std::string(key)] == value) return {};
    object[std::string(key)] = value;
    if (!FileSystem::createDirectories(FileSystem::parentPath(preferencesPath))) {
        return std::make_error_code(std::errc::permission_denied);
    }
    return AtomicFile::write(preferencesPath, JsonIO::dump(object));
}

}  // namespace brimly::WindowState
