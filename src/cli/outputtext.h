#pragma once
// Text taken from files and file names, made safe to print: a hostile passport or name can
// neither drive the terminal nor forge lines (VisibleText, shared with the window), and JSON
// output always parses.

#include <string>
#include <string_view>

#include "platform/visibletext.h"

namespace kvo::cli {

// The text as a quoted JSON string. Bytes that are not UTF-8 become U+FFFD; quote, backslash and
// the characters that VisibleText escapes are written as JSON escapes.
std::string JsonString(std::string_view text);

}  // namespace kvo::cli
