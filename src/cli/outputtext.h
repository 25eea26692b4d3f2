#pragma once
// Text taken from files and file names, made safe to print: a hostile passport or name can
// neither drive the terminal nor forge lines, and JSON output always parses.

#include <string>
#include <string_view>

namespace kvo::cli {

// The text with every control character shown as a visible escape: bytes below 0x20, 0x7F and
// bytes that are not UTF-8 as \xNN, the C1 characters U+0080..U+009F as \uNNNN, and the
// backslash itself as \\, so that an escape cannot be forged either.
std::string VisibleText(std::string_view text);

// The text as a quoted JSON string. Bytes that are not UTF-8 become U+FFFD; quote, backslash and
// the characters that VisibleText escapes are written as JSON escapes.
std::string JsonString(std::string_view text);

}  // namespace kvo::cli
