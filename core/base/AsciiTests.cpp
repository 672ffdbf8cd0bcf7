#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "core/base/Ascii.h"
#include "core/base/Url.h"

namespace brimly {
namespace {

// Runs under a Turkish locale when the machine has one, where the C library lower-cases "I" differently;
// the byte table must hold in any locale.
TEST(AsciiTest, LowerCasesOnlyAToZWhateverTheLocale) {
    std::string previous = std::setlocale(LC_ALL, nullptr);
    for (const char* name : {"tr_TR.UTF-8", "tr_TR.ISO-8859-9", "C"}) {
        if (!std::setlocale(LC_ALL, name)) continue;
        for (int byte = 0; byte < 256; ++byte) {
            char c = static_cast<char>(byte);
            char expected = byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte + 32) : c;
            EXPECT_EQ(Ascii::toLower(c), expected) << name << " " << byte;
            EXPECT_EQ(Ascii::isAlphanumeric(c),
                      (byte >= '0' && byte <= '9') || (expected >= 'a' && expected <= 'z'))
                << name << " " << byte;
        }
        EXPECT_EQ(Ascii::lowercased("GIF.PNG \xC4\xB0I"), "gif.png \xC4\xB0i") << name;
        auto url = Url::parse("FILE:///tmp/SHOT.PNG");
        ASSERT_TRUE(url) << name;
        EXPECT_EQ(url->scheme(), "file") << name;
    }
    std::setlocale(LC_ALL, previous.c_str());
}

}  // namespace
}  // namespace brimly
