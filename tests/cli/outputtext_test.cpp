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
    const struct {
        const char* text;
        const char* json;
    } cases[] = {
        {"a\"b\\c", R"("a\"b\\c")"},
        {"\n\x1b\x7f\xc2\x9b", R"("\u000a\u001b\u007f\u009b")"},
        {"Кво-01", R"("Кво-01")"},
        {"\xf0\x9f\x98\x80", "\"\xf0\x9f\x98\x80\""},
        // A lone continuation byte, an overlong form, a surrogate, a sequence cut short, a code
        // point above U+10FFFF.
        {"a\x80z", R"("a\ufffdz")"},
        {"\xc0\xaf", R"("\ufffd\ufffd")"},
        {"\xed\xa0\x80", R"("\ufffd\ufffd\ufffd")"},
        {"\xe2\x82", R"("\ufffd\ufffd")"},
        {"\xf4\x90\x80\x80", R"("\ufffd\ufffd\ufffd\ufffd")"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JsonString(c.text), c.json) << c.json;
    }
}

}  // namespace
}  // namespace kvo::cli
