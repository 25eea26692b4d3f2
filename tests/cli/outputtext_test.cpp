// Texts from files made safe for a terminal and for JSON.

#include "cli/outputtext.h"

#include <gtest/gtest.h>

namespace kvo::cli {
namespace {

TEST(OutputText, ControlCharactersBecomeVisibleEscapes) {
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
    EXPECT_EQ(VisibleText("\\x1B"), "\\\\x1B");
    EXPECT_EQ(VisibleText("Плата = М17"), "Плата = М17");
}

TEST(OutputText, JsonStringsAreValidWhateverTheBytes) {
    EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(JsonString("\n\x1b\x7f\xc2\x9b"), "\"\\u000a\\u001b\\u007f\\u009b\"");
    EXPECT_EQ(JsonString("Кво-01"), "\"Кво-01\"");
    EXPECT_EQ(JsonString("\xf0\x9f\x98\x80"), "\"\xf0\x9f\x98\x80\"");
    // A lone continuation byte, an overlong form, a surrogate, a sequence cut short, above
    // U+10FFFF.
    EXPECT_EQ(JsonString("a\x80z"), "\"a\\ufffdz\"");
    EXPECT_EQ(JsonString("\xc0\xaf"), "\"\\ufffd\\ufffd\"");
    EXPECT_EQ(JsonString("\xed\xa0\x80"), "\"\\ufffd\\ufffd\\ufffd\"");
    EXPECT_EQ(JsonString("\xe2\x82"), "\"\\ufffd\\ufffd\"");
    EXPECT_EQ(JsonString("\xf4\x90\x80\x80"), "\"\\ufffd\\ufffd\\ufffd\\ufffd\"");
}

}  // namespace
}  // namespace kvo::cli
