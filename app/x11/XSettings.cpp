#include "app/x11/XSettings.h"

namespace brimly::XSettings {
namespace {

// Reads the property front to back in the byte order its first byte names; every read checks the length.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    bool setBigEndian(std::uint8_t order) {
        if (order > 1) return false;
        m_bigEndian = order == 1;
        return true;
    }
    std::optional<std::uint32_t> card(std::size_t width) {
        if (m_bytes.size() - m_at < width) return std::nullopt;
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < width; ++i) {
            const std::size_t index = m_bigEndian ? i : width - 1 - i;
            value = (value << 8) | m_bytes[m_at + index];
        }
        m_at += width;
        return value;
    }
    bool skip(std::size_t count) {
        if (m_bytes.size() - m_at < count) return false;
        m_at += count;
        return true;
    }
    // `length` bytes, then padding to a multiple of four.
    std::optional<std::string> padded(std::size_t length) {
        const std::size_t total = (length + 3) / 4 * 4;
        if (length > m_bytes.size() || m_bytes.size() - m_at < total) return std::nullopt;
        std::string text(reinterpret_cast<const char*>(m_bytes.data() + m_at), length);
        m_at += total;
        return text;
    }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_at = 0;
    bool m_bigEndian = false;
};

enum SettingType : std::uint32_t { integer = 0, string = 1, colour = 2 };

}  // namespace

std::optional<std::map<std::string, std::int32_t>> integers(std::span<const std::uint8_t> property) {
    Reader read(property);
    auto order = read.card(1);
    if (!order || !read.setBigEndian(std::uint8_t(*order)) || !read.skip(3) || !read.card(4)) return {};
    auto count = read.card(4);
    if (!count) return {};
    std::map<std::string, std::int32_t> values;
    for (std::uint32_t i = 0; i < *count; ++i) {
        auto type = read.card(1);
        if (!type || !read.skip(1)) return {};
        auto nameLength = read.card(2);
        auto name = nameLength ? read.padded(*nameLength) : std::nullopt;
        if (!name || !read.card(4)) return {};
        if (*type == integer) {
            auto value = read.card(4);
            if (!value) return {};
            values[*name] = std::int32_t(*value);
        } else if (*type == string) {
            auto length = read.card(4);
            if (!length || !read.padded(*length)) return {};
        } else if (*type == colour) {
            if (!read.skip(8)) return {};
        } else {
            return {};
        }
    }
    return values;
}

}  // namespace brimly::XSettings
