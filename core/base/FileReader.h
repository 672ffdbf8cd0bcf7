#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <variant>

namespace brimly {

// A file opened for reading without blocking and checked on the open descriptor: only a regular file within
// its size cap is taken, so a FIFO, a device or a link to one never holds or floods the reader, and what was
// checked is what is read. Every read starts at the beginning of that same descriptor and goes a block at a
// time. Any thread.
class FileReader {
public:
    enum class Refusal { unreadable, notRegularFile, tooLarge };
    // The texts outcomes carry: "unreadable", "not a regular file", "too large".
    static std::string_view reason(Refusal refusal);

    // `maxBytes` bounds the size at opening and every later read; `error`, when given, receives the
    // system's error of an unreadable file.
    static std::variant<FileReader, Refusal> open(const std::string& path,
                                                  std::optional<std::uint64_t> maxBytes = std::nullopt,
                                                  std::error_code* error = nullptr);

    FileReader(FileReader&& other) noexcept;
    FileReader& operator=(FileReader&& other) noexcept;
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    ~FileReader();

    // The size when the file was opened.
    std::uint64_t size() const { return m_size; }

    // Hands every byte to `take`, a block at a time. An error from `take` or from reading stops it with that
    // error; bytes beyond the cap (the file grew after it was opened) stop it with std::errc::file_too_large.
    [[nodiscard]] std::error_code forEachBlock(
        const std::function<std::error_code(std::string_view)>& take) const;
    // The whole content.
    std::variant<std::string, Refusal> readAll() const;
    // At most `count` bytes from the start; what could be read when an error cuts it short.
    std::string readPrefix(std::size_t count) const;

    static constexpr std::size_t blockSize = 1 << 20;

private:
    FileReader(int descriptor, std::uint64_t size, std::optional<std::uint64_t> maxBytes)
        : m_descriptor(descriptor), m_size(size), m_maxBytes(maxBytes) {}

    int m_descriptor = -1;
    std::uint64_t m_size = 0;
    std::optional<std::uint64_t> m_maxBytes;
};

}  // namespace brimly
