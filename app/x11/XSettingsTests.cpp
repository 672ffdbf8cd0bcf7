#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/x11/XSettings.h"

namespace brimly {
namespace {

// Writes a property the way a settings daemon does, in either byte order.
struct PropertyWriter {
    bool bigEndian = false;
    std::vector<std::uint8_t> bytes;

    void card(std::uint32_t value, int width) {
        for (int i = 0; i < width; ++i) {
            const int shift = 8 * (bigEndian ? width - 1 - i : i);
            bytes.push_back(std::uint8_t(value >> shift));
        }
    }
    void padded(const std::string& text) {
        bytes.insert(bytes.end(), text.begin(), text.end());
        while (bytes.size() % 4) bytes.push_back(0);
    }
    void header(std::uint32_t count) {
        bytes = {std::uint8_t(bigEndian ? 1 : 0), 0, 0, 0};
        card(7, 4);
        card(count, 4);
    }
    void setting(std::uint8_t type, const std::string& name) {
        bytes.push_back(type);
        bytes.push_back(0);
        card(std::uint32_t(name.size()), 2);
        padded(name);
        card(3, 4);
    }
};

std::vector<std::uint8_t> sample(bool bigEndian) {
    PropertyWriter w{.bigEndian = bigEndian};
    w.header(4);
    w.setting(1, "Net/ThemeName");
    w.card(7, 4);
    w.padded("Adwaita");
    w.setting(0, "Gtk/EnableAnimations");
    w.card(0, 4);
    w.setting(2, "Gtk/Colour");
    w.card(0xFFFF, 2), w.card(0, 2), w.card(0, 2), w.card(0xFFFF, 2);
    w.setting(0, "Xft/DPI");
    w.card(std::uint32_t(-1), 4);
    return w.bytes;
}

TEST(XSettingsTests, ReadsIntegersPastStringsAndColoursInEitherByteOrder) {
    for (bool bigEndian : {false, true}) {
        auto values = XSettings::integers(sample(bigEndian));
        ASSERT_TRUE(values) << bigEndian;
        EXPECT_EQ(*values,
                  (std::map<std::string, std::int32_t>{{"Gtk/EnableAnimations", 0}, {"Xft/DPI", -1}}));
    }
}

TEST(XSettingsTests, ATruncatedOrMalformedPropertyIsNotReadAtAll) {
    const std::vector<std::uint8_t> whole = sample(false);
    for (std::size_t length = 0; length < whole.size(); ++length) {
        EXPECT_FALSE(XSettings::integers(std::span(whole).first(length))) << "cut at " << length;
    }
    std::vector<std::uint8_t> badOrder = whole;
    badOrder[0] = 2;
    EXPECT_FALSE(XSettings::integers(badOrder));
    std::vector<std::uint8_t> unknownType = whole;
    unknownType[12] = 3;
    EXPECT_FALSE(XSettings::integers(unknownType));
    // A count far beyond the bytes, as a hostile property could claim.
    PropertyWriter w;
    w.header(0xFFFFFFFF);
    EXPECT_FALSE(XSettings::integers(w.bytes));
}

}  // namespace
}  // namespace brimly
