// Windows-1251 texts of recording files shown as Unicode.

#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"

namespace kvo {
namespace {

TEST(CodePage, CyrillicLettersAndSpecialBytes) {
    EXPECT_EQ(cp1251ToUtf8("RecKvo"), "RecKvo");
    EXPECT_EQ(cp1251ToUtf8("\xCA\xE2\xEE\xC0\xFF\xE0"), "КвоАяа");
    EXPECT_EQ(cp1251ToUtf8("\xA8\xB8\xB9"), "Ёё№");
    EXPECT_EQ(cp1251ToUtf16("\x88\x96\x98"), std::u16string(u"\u20AC\u2013\u0098"));
    EXPECT_EQ(cp1251ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(CodePage, Utf8AndUtf16AgreeForEveryByte) {
    for (int byte = 0; byte < 256; ++byte) {
        const std::string one(1, static_cast<char>(byte));
        const std::u16string wide = cp1251ToUtf16(one);
        ASSERT_EQ(wide.size(), 1u);
        // Re-encode the UTF-16 unit by hand and compare with the direct UTF-8 result.
        const char16_t u = wide[0];
        std::string expected;
        if (u < 0x80) {
            expected = std::string(1, static_cast<char>(u));
        } else if (u < 0x800) {
            expected = {static_cast<char>(0xC0 | (u >> 6)), static_cast<char>(0x80 | (u & 0x3F))};
        } else {
            expected = {static_cast<char>(0xE0 | (u >> 12)),
                        static_cast<char>(0x80 | ((u >> 6) & 0x3F)),
                        static_cast<char>(0x80 | (u & 0x3F))};
        }
        EXPECT_EQ(cp1251ToUtf8(one), expected) << byte;
        if (byte >= 0xC0) {
            EXPECT_EQ(u, 0x0410 + (byte - 0xC0)) << byte;  // А..я are contiguous
        }
    }
}

}  // namespace
}  // namespace kvo
