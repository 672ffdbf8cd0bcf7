#include "core/testsupport/TestImages.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace brimly::testing::TestImages {

namespace {

std::uint32_t crc32(std::string_view bytes) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> values{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            values[n] = c;
        }
        return values;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (char ch : bytes) c = table[(c ^ static_cast<unsigned char>(ch)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::uint32_t adler32(std::string_view bytes) {
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (char ch : bytes) {
        auto byte = static_cast<unsigned char>(ch);
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void putBig32(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void putChunk(std::string& out, std::string_view type, std::string_view data) {
    putBig32(out, static_cast<std::uint32_t>(data.size()));
    std::string body(type);
    body.append(data);
    out.append(body);
    putBig32(out, crc32(body));
}

}  // namespace

std::string png(int width, int height) {
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back('\0');
        for (int x = 0; x < width; ++x) {
            raw.push_back(static_cast<char>((x * 255) / (width > 1 ? width - 1 : 1)));
            raw.push_back(static_cast<char>((y * 255) / (height > 1 ? height - 1 : 1)));
            raw.push_back(static_cast<char>(0x80));
        }
    }
    std::string zlib = "\x78\x01";
    size_t offset = 0;
    do {
        size_t length = std::min<size_t>(65535, raw.size() - offset);
        bool last = offset + length == raw.size();
        zlib.push_back(last ? '\x01' : '\x00');
        zlib.push_back(static_cast<char>(length & 0xFF));
        zlib.push_back(static_cast<char>(length >> 8));
        zlib.push_back(static_cast<char>(~length & 0xFF));
        zlib.push_back(static_cast<char>((~length >> 8) & 0xFF));
        zlib.append(raw, offset, length);
        offset += length;
    } while (offset < raw.size());
    putBig32(zlib, adler32(raw));

    std::string header;
    putBig32(header, static_cast<std::uint32_t>(width));
    putBig32(header, static_cast<std::uint32_t>(height));
    header.append("\x08\x02\x00\x00\x00", 5);

    std::string out = "\x89PNG\r\n\x1a\n";
    putChunk(out, "IHDR", header);
    putChunk(out, "IDAT", zlib);
    putChunk(out, "IEND", "");
    return out;
}

std::string withExifOrientation(std::string_view jpeg, int orientation) {
    std::string tiff("MM\x00\x2A\x00\x00\x00\x08", 8);
    tiff.append("\x00\x01", 2);
    tiff.append("\x01\x12\x00\x03\x00\x00\x00\x01", 8);
    tiff.push_back('\0');
    tiff.push_back(static_cast<char>(orientation));
    tiff.append("\x00\x00", 2);
    tiff.append("\x00\x00\x00\x00", 4);
    std::string body("Exif\0\0", 6);
    body.append(tiff);
    size_t length = body.size() + 2;
    std::string segment = "\xFF\xE1";
    segment.push_back(static_cast<char>(length >> 8));
    segment.push_back(static_cast<char>(length & 0xFF));
    segment.append(body);

    std::string out(jpeg.substr(0, 2));
    out.append(segment);
    out.append(jpeg.substr(2));
    return out;
}

std::string svg(int width, int height) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width) + "\" height=\"" +
           std::to_string(height) + "\"><rect width=\"100%\" height=\"100%\" fill=\"#3a7\"/></svg>";
}

}  // namespace brimly::testing::TestImages
