#include "core/base/FileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

namespace brimly {

namespace {

// One pread that retries an interrupted call; -1 with errno on failure.
ssize_t readAt(int descriptor, char* buffer, std::size_t count, std::uint64_t offset) {
    while (true) {
        ssize_t read = ::pread(descriptor, buffer, count, static_cast<off_t>(offset));
        if (read >= 0 || errno != EINTR) return read;
    }
}

}  // namespace

std::string_view FileReader::reason(Refusal refusal) {
    switch (refusal) {
        case Refusal::unreadable:
            return "unreadable";
        case Refusal::notRegularFile:
            return "not a regular file";
        case Refusal::tooLarge:
            return "too large";
    }
    return "unreadable";
}

std::variant<FileReader, FileReader::Refusal> FileReader::open(const std::string& path,
                                                               std::optional<std::uint64_t> maxBytes,
                                                               std::error_code* error) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        // A socket or a device without a driver cannot be opened at all; it is still no regular file.
        bool special = errno == ENXIO || errno == ENODEV;
        if (error) *error = {errno, std::generic_category()};
        return special ? Refusal::notRegularFile : Refusal::unreadable;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        if (error) *error = {errno, std::generic_category()};
        ::close(descriptor);
        return Refusal::unreadable;
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return Refusal::notRegularFile;
    }
    auto size = static_cast<std::uint64_t>(status.st_size);
    if (maxBytes && size > *maxBytes) {
        ::close(descriptor);
        return Refusal::tooLarge;
    }
    return FileReader(descriptor, size, maxBytes);
}

FileReader::FileReader(FileReader&& other) noexcept
    : m_descriptor(other.m_descriptor), m_size(other.m_size), m_maxBytes(other.m_maxBytes) {
    other.m_descriptor = -1;
}

FileReader& FileReader::operator=(FileReader&& other) noexcept {
    if (this != &other) {
        if (m_descriptor >= 0) ::close(m_descriptor);
        m_descriptor = other.m_descriptor;
        m_size = other.m_size;
        m_maxBytes = other.m_maxBytes;
        other.m_descriptor = -1;
    }
    return *this;
}

FileReader::~FileReader() {
    if (m_descriptor >= 0) ::close(m_descriptor);
}

std::error_code FileReader::forEachBlock(const std::function<std::error_code(std::string_view)>& take) const {
    // Uncleared: the read overwrites what it hands on, and clearing a megabyte per file read cost more than
    // reading a small image.
    auto buffer = std::make_unique_for_overwrite<char[]>(blockSize);
    std::uint64_t offset = 0;
    while (true) {
        ssize_t count = readAt(m_descriptor, buffer.get(), blockSize, offset);
        if (count < 0) return {errno, std::generic_category()};
        if (count == 0) return {};
        offset += static_cast<std::uint64_t>(count);
        if (m_maxBytes && offset > *m_maxBytes) return std::make_error_code(std::errc::file_too_large);
        if (auto error = take(std::string_view(buffer.get(), static_cast<std::size_t>(count)))) return error;
    }
}

std::variant<std::string, FileReader::Refusal> FileReader::readAll() const {
    std::string content;
    content.reserve(static_cast<std::size_t>(m_maxBytes ? std::min(m_size, *m_maxBytes) : m_size));
    std::error_code error = forEachBlock([&content](std::string_view block) {
        content.append(block);
        return std::error_code();
    });
    if (error == std::errc::file_too_large) return Refusal::tooLarge;
    if (error) return Refusal::unreadable;
    return content;
}

std::string FileReader::readPrefix(std::size_t count) const {
    std::string content(count, '\0');
    std::size_t done = 0;
    while (done < count) {
        ssize_t read = readAt(m_descriptor, content.data() + done, count - done, done);
        if (read <= 0) break;
        done += static_cast<std::size_t>(read);
    }
    content.resize(done);
    return content;
}

}  // namespace brimly
