// Texts from files made safe for JSON.

#include "cli/outputtext.h"

#include <gtest/gtest.h>

namespace kvo::cli {
namespace {

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
