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

std::string heic8x8() {
    // The one picture here not built by hand: HEVC cannot be, so an encoder made it once (black, quality 1,
    // no metadata).
    static constexpr char bytes[] =
        "\x00\x00\x00\x1c\x66\x74\x79\x70\x68\x65\x69\x63\x00\x00\x00\x00\x6d\x69\x66\x31\x68\x65\x69\x63"
        "\x6d\x69\x61\x66\x00\x00\x01\xad\x6d\x65\x74\x61\x00\x00\x00\x00\x00\x00\x00\x21\x68\x64\x6c\x72"
        "\x00\x00\x00\x00\x00\x00\x00\x00\x70\x69\x63\x74\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
        "\x00\x00\x00\x00\x0e\x70\x69\x74\x6d\x00\x00\x00\x00\x00\x02\x00\x00\x00\x10\x69\x64\x61\x74\x00"
        "\x00\x00\x00\x00\x08\x00\x08\x00\x00\x00\x38\x69\x6c\x6f\x63\x01\x00\x00\x00\x44\x40\x00\x02\x00"
        "\x01\x00\x00\x00\x00\x00\x00\x01\xd1\x00\x01\x00\x00\x00\x00\x00\x00\x00\x22\x00\x02\x00\x01\x00"
        "\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x08\x00\x00\x00\x38\x69\x69\x6e\x66\x00"
        "\x00\x00\x00\x00\x02\x00\x00\x00\x15\x69\x6e\x66\x65\x02\x00\x00\x01\x00\x01\x00\x00\x68\x76\x63"
        "\x31\x00\x00\x00\x00\x15\x69\x6e\x66\x65\x02\x00\x00\x00\x00\x02\x00\x00\x67\x72\x69\x64\x00\x00"
        "\x00\x00\xd8\x69\x70\x72\x70\x00\x00\x00\xb6\x69\x70\x63\x6f\x00\x00\x00\x76\x68\x76\x63\x43\x01"
        "\x03\x70\x00\x00\x00\x00\x00\x00\x00\x00\x00\x1e\xf0\x00\xfc\xfd\xf8\xf8\x00\x00\x0f\x03\x20\x00"
        "\x01\x00\x18\x40\x01\x0c\x01\xff\xff\x03\x70\x00\x00\x03\x00\x90\x00\x00\x03\x00\x00\x03\x00\x1e"
        "\xba\x02\x40\x21\x00\x01\x00\x2a\x42\x01\x01\x03\x70\x00\x00\x03\x00\x90\x00\x00\x03\x00\x00\x03"
        "\x00\x1e\xa0\x20\x81\x05\x96\xea\xae\x9a\xe6\xe0\x40\x40\xc0\x80\x00\x00\x03\x00\x80\x00\x00\x03"
        "\x00\x84\x22\x00\x01\x00\x06\x44\x01\xc1\x73\xc1\x89\x00\x00\x00\x14\x69\x73\x70\x65\x00\x00\x00"
        "\x00\x00\x00\x00\x40\x00\x00\x00\x40\x00\x00\x00\x14\x69\x73\x70\x65\x00\x00\x00\x00\x00\x00\x00"
        "\x08\x00\x00\x00\x08\x00\x00\x00\x10\x70\x69\x78\x69\x00\x00\x00\x00\x03\x08\x08\x08\x00\x00\x00"
        "\x1a\x69\x70\x6d\x61\x00\x00\x00\x00\x00\x00\x00\x02\x00\x01\x02\x81\x02\x00\x02\x02\x03\x84\x00"
        "\x00\x00\x1a\x69\x72\x65\x66\x00\x00\x00\x00\x00\x00\x00\x0e\x64\x69\x6d\x67\x00\x02\x00\x01\x00"
        "\x01\x00\x00\x00\x2a\x6d\x64\x61\x74\x00\x00\x00\x1e\x28\x01\xaf\x05\x12\x12\x4c\xe0\xfa\x03\xbd"
        "\xe7\xfe\xe8\x3e\x88\x59\x80\xaf\xbb\x65\x58\xa3\x99\x5c\x60\x93\x53\xb7\x80";
    return std::string(bytes, sizeof bytes - 1);
}

}  // namespace brimly::testing::TestImages
