// Texts from files made safe to show in a terminal or a window.

#include "platform/visibletext.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kvo {
namespace {

TEST(VisibleText, ControlCharactersBecomeVisibleEscapes) {
    EXPECT_EQ(VisibleText("Канал\x1b[2J"), "Канал\\x1B[2J");
    EXPECT_EQ(VisibleText("a\r\nb\tc\x7f"), "a\\x0D\\x0Ab\\x09c\\x7F");
    EXPECT_EQ(VisibleText(std::string("a\0b", 3)), "a\\x00b");
    // C1 characters: CSI U+009B and NEL U+0085, as UTF-8.
    EXPECT_EQ(VisibleText("\xc2\x9b"
                          "2J\xc2\x85"),
              "\\u009B2J\\u0085");
    EXPECT_EQ(VisibleText("\xc2\xa0\xc2\xa9"), "\xc2\xa0\xc2\xa9");  // U+00A0, U+00A9 stay
    // Bytes that are not UTF-8, alone or cut short, and an escape that was there already.
    EXPECT_EQ(VisibleText("\x9b\xff\xd0"), "\\x9B\\xFF\\xD0");
    EXPECT_EQ(VisibleText("Плата = М17"), "Плата = М17");
}

// An escape that was there already cannot pass for one the program made; on Windows, where no
// name holds a control character, the backslash separates folders and a path reads as written.
TEST(VisibleText, BackslashesAreDoubledUnlessTheySeparateFolders) {
    if (std::filesystem::path::preferred_separator == '\\') {
        EXPECT_EQ(VisibleText("C:\\Записи\\x1B.kvo"), "C:\\Записи\\x1B.kvo");
        EXPECT_EQ(VisibleText("C:\\a\x0A.kvo"), "C:\\a\\x0A.kvo");
    } else {
        EXPECT_EQ(VisibleText("\\x1B"), "\\\\x1B");
        EXPECT_EQ(VisibleText("a\\b\x0A"), "a\\\\b\\x0A");
    }
}

TEST(VisibleText, WellFormedUtf8IsToldApart) {
    EXPECT_TRUE(IsUtf8(""));
    EXPECT_TRUE(IsUtf8("Пример.kvo"));
    EXPECT_TRUE(IsUtf8("\xf0\x9f\x98\x80\n"));
    EXPECT_FALSE(IsUtf8("\xcf\xf0\xe8\xec\xe5\xf0.kvo"));  // "Пример" in Windows-1251
    EXPECT_FALSE(IsUtf8("\xed\xa0\x80"));                  // a surrogate
    EXPECT_FALSE(IsUtf8("\xe2\x82"));                      // cut short
}

}  // namespace
}  // namespace kvo
