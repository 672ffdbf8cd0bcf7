#include "app/shell/LoginItem.h"

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <string_view>

#include "core/base/AtomicFile.h"
#include "core/base/Utf8.h"
#include "core/config/BrimlyPaths.h"
#include "core/platform/FileSystem.h"

namespace brimly {

namespace {

constexpr std::string_view entryGroup = "[Desktop Entry]";

// `executable` as the Exec key's program: quoted when it holds a character the desktop's command line
// reserves, `%` doubled so it is not read as a field code, then escaped as any string value. Nothing for
// text a desktop entry cannot carry in one line.
std::optional<std::string> execValue(const std::string& executable) {
    if (executable.empty() || executable.front() != '/' || !Utf8::isValid(executable)) return std::nullopt;
    constexpr std::string_view reserved = " \t\"'\\><~|&;$*?#()`";
    bool quote = false;
    for (char c : executable) {
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f) return std::nullopt;
        if (reserved.find(c) != std::string_view::npos) quote = true;
    }
    std::string argument = quote ? "\"" : "";
    for (char c : executable) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) argument += '\\';
        argument += c;
        if (c == '%') argument += '%';
    }
    if (quote) argument += '"';
    std::string value;
    for (char c : argument) {
        if (c == '\\') {
            value += "\\\\";
        } else if (c == '\t') {
            value += "\\t";
        } else {
            value += c;
        }
    }
    return value;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

std::string LoginItem::path(const Environment& env) {
    std::string base;
    if (auto configured = Env::string("XDG_CONFIG_HOME", env);
        configured && !configured->empty() && configured->front() == '/') {
        base = *configured;
    } else {
        base = BrimlyPaths::homeFolder(env) + "/.config";
    }
    return FileSystem::join(base, "autostart/brimly.desktop");
}

bool LoginItem::isEnabled(const std::string& path) {
    auto bytes = AtomicFile::read(path);
    if (!bytes) return false;
    bool isEntry = false;
    bool inEntry = false;
    std::string_view rest = *bytes;
    while (!rest.empty()) {
        auto end = rest.find('\n');
        std::string_view line = trimmed(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            inEntry = line == entryGroup;
            isEntry = isEntry || inEntry;
            continue;
        }
        auto equals = line.find('=');
        if (!inEntry || equals == std::string_view::npos) continue;
        std::string_view key = trimmed(line.substr(0, equals));
        std::string_view value = trimmed(line.substr(equals + 1));
        if (key == "Hidden" && (value == "true" || value == "1")) return false;
        if (key == "X-GNOME-Autostart-enabled" && (value == "false" || value == "0")) return false;
    }
    return isEntry;
}

std::error_code LoginItem::enable(const std::string& path, const std::string& executable) {
    auto exec = execValue(executable);
    if (!exec) return std::make_error_code(std::errc::invalid_argument);
    std::error_code error;
    std::filesystem::create_directories(FileSystem::parentPath(path), error);
    if (error) return error;
    std::string entry =
        "[Desktop Entry]\nType=Application\nName=Brimly\n"
        "Comment=A shelf of what your coding agent makes and looks at\nExec=" +
        *exec + "\nIcon=brimly\nTerminal=false\nNoDisplay=false\nX-GNOME-Autostart-enabled=true\n";
    return AtomicFile::write(path, entry);
}

std::error_code LoginItem::disable(const std::string& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) return {errno, std::generic_category()};
    return {};
}

}  // namespace brimly
