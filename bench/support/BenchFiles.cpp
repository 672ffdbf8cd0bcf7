#include "bench/support/BenchFiles.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <zlib.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "core/base/Crypto.h"
#include "core/base/Iso8601.h"
#include "core/base/Json.h"

namespace brimly::bench {

namespace {
std::uint32_t crc32Of(std::string_view bytes) {
    return static_cast<std::uint32_t>(
        ::crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

void put32(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

std::string chunk(std::string_view type, std::string_view data) {
    std::string out;
    put32(out, static_cast<std::uint32_t>(data.size()));
    std::string body = std::string(type) + std::string(data);
    out += body;
    put32(out, crc32Of(body));
    return out;
}

std::string deflated(const std::string& raw, bool compressed) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::string out(size, '\0');
    int level = compressed ? 6 : Z_NO_COMPRESSION;
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
                  static_cast<uLong>(raw.size()), level) != Z_OK) {
        throw std::runtime_error("deflate failed");
    }
    out.resize(size);
    return out;
}
}  // namespace

BenchFolder::BenchFolder() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/brimly-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

BenchFolder::~BenchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string png(std::uint32_t width, std::uint32_t height, unsigned seed, bool compressed) {
    std::string raw;
    raw.reserve(static_cast<std::size_t>(height) * (width * 3 + 1));
    for (std::uint32_t y = 0; y < height; ++y) {
        raw.push_back(0);
        for (std::uint32_t x = 0; x < width; ++x) {
            // Flat panels with a few lines of "text", or a busy gradient.
            bool ink = compressed && (y / 12) % 3 == 0 && ((x + seed) * 2654435761u >> 29) % 3 == 0;
            for (std::uint32_t c = 0; c < 3; ++c) {
                auto value =
                    compressed ? (ink ? 40u : 230u + (x / 320 + c) % 20) : (x * 7 + c + y * 3 + seed) & 0xFF;
                raw.push_back(static_cast<char>(value));
            }
        }
    }
    std::string header;
    put32(header, width);
    put32(header, height);
    header += std::string("\x08\x02\x00\x00\x00", 5);
    return "\x89PNG\r\n\x1a\n" + chunk("IHDR", header) + chunk("IDAT", deflated(raw, compressed)) +
           chunk("IEND", "");
}

std::string withTag(const std::string& png, const std::string& tag) {
    // After the signature (8 bytes) and IHDR (25 bytes).
    constexpr std::size_t afterHeader = 33;
    return png.substr(0, afterHeader) + chunk("tEXt", std::string("Comment") + '\0' + tag) +
           png.substr(afterHeader);
}

std::string imageLine(const std::string& png, const std::string& session, const std::string& toolUseID,
                      Date at) {
    Json image = {
        {"type", "image"},
        {"source", {{"type", "base64"}, {"media_type", "image/png"}, {"data", Crypto::base64Encode(png)}}}};
    Json line = {
        {"type", "user"},
        {"sessionId", session},
        {"promptId", "p1"},
        {"timestamp", formatIso8601(at)},
        {"message",
         {{"role", "user"},
          {"content", {{{"type", "tool_result"}, {"tool_use_id", toolUseID}, {"content", {image}}}}}}}};
    return line.dump() + "\n";
}

std::string textLine(const std::string& session, const std::string& text, Date at) {
    Json line = {{"type", "user"},
                 {"sessionId", session},
                 {"timestamp", formatIso8601(at)},
                 {"message", {{"role", "user"}, {"content", text}}}};
    return line.dump() + "\n";
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

void setModified(const std::string& path, Date at) {
    double seconds = unixFromDate(at);
    timespec times[2] = {{0, UTIME_OMIT}, {}};
    times[1].tv_sec = static_cast<time_t>(std::floor(seconds));
    times[1].tv_nsec = static_cast<long>((seconds - std::floor(seconds)) * 1e9);
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) throw std::runtime_error("cannot date " + path);
}

}  // namespace brimly::bench
