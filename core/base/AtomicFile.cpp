#include "core/base/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/base/AtomicFileFaults.h"

namespace brimly::AtomicFile {

namespace {

Fault& fault() {
    static Fault hook;
    return hook;
}

std::error_code injected(Stage stage, const std::string& path) {
    if (fault()) return fault()(stage, path);
    return {};
}

std::error_code lastError() { return {errno, std::generic_category()}; }

std::string folderOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace

void setFaultForTesting(Fault hook) { fault() = std::move(hook); }

namespace {

std::error_code writeAll(int fd, std::string_view bytes) {
    size_t written = 0;
    while (written < bytes.size()) {
        ssize_t count = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (count < 0) {
            if (errno == EINTR) continue;
            return lastError();
        }
        written += static_cast<size_t>(count);
    }
    return {};
}

// The temporary file, sync and rename around `fill`, which writes the content to the descriptor it gets.
std::error_code replace(const std::string& path, const std::function<std::error_code(int)>& fill) {
    std::string pattern = path + ".tmp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (auto error = injected(Stage::open, path)) return error;
    int fd = ::mkstemp(name.data());
    if (fd < 0) return lastError();
    std::string temporary(name.data());
    auto fail = [&](std::error_code error) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return error;
    };
    ::fchmod(fd, 0644);
    if (auto error = injected(Stage::write, path)) return fail(error);
    if (auto error = fill(fd)) return fail(error);
    if (auto error = injected(Stage::sync, path)) return fail(error);
    if (::fsync(fd) != 0) return fail(lastError());
    if (::close(fd) != 0) {
        auto error = lastError();
        ::unlink(temporary.c_str());
        return error;
    }
    if (auto error = injected(Stage::rename, path)) {
        ::unlink(temporary.c_str());
        return error;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        auto error = lastError();
        ::unlink(temporary.c_str());
        return error;
    }
    int folder = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return {};
}

}  // namespace

std::error_code write(const std::string& path, std::string_view bytes) {
    return replace(path, [bytes](int fd) { return writeAll(fd, bytes); });
}

std::error_code writeStreaming(const std::string& path, const std::function<void(const Put&)>& produce) {
    return replace(path, [&produce](int fd) {
        constexpr std::size_t bufferSize = 1 << 16;
        std::string buffer;
        buffer.reserve(bufferSize);
        std::error_code failed;
        auto put = [&](std::string_view piece) {
            if (failed) return;
            if (buffer.size() + piece.size() > bufferSize) {
                failed = writeAll(fd, buffer);
                buffer.clear();
            }
            if (piece.size() > bufferSize) {
                if (!failed) failed = writeAll(fd, piece);
            } else {
                buffer.append(piece);
            }
        };
        produce(put);
        if (!failed) failed = writeAll(fd, buffer);
        return failed;
    });
}

std::error_code copy(const FileReader& source, const std::string& path,
                     const std::function<void(std::string_view)>& observe) {
    return replace(path, [&source, &observe](int out) {
        return source.forEachBlock([&](std::string_view block) {
            if (observe) observe(block);
            return writeAll(out, block);
        });
    });
}

std::optional<std::string> read(const std::string& path, std::error_code* error) {
    std::error_code openError;
    auto opened = FileReader::open(path, std::nullopt, &openError);
    auto* file = std::get_if<FileReader>(&opened);
    if (!file) {
        if (error) *error = openError ? openError : std::make_error_code(std::errc::invalid_argument);
        return std::nullopt;
    }
    auto content = file->readAll();
    if (auto* bytes = std::get_if<std::string>(&content)) return std::move(*bytes);
    if (error) *error = std::make_error_code(std::errc::io_error);
    return std::nullopt;
}

}  // namespace brimly::AtomicFile
