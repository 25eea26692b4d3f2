#pragma once
// Text taken from files and file names, made safe to show: a hostile passport or name can
// neither drive a terminal nor forge lines in a window. Both programs show such texts this way.

#include <cstddef>
#include <string>
#include <string_view>

namespace kvo {

// The text with every control character shown as a visible escape: bytes below 0x20, 0x7F and
// bytes that are not UTF-8 as \xNN, the C1 characters U+0080..U+009F as \uNNNN, and the
// backslash itself as \\, so that an escape cannot be forged either; where the backslash separates
// folders (Windows), it stays as it is, so that paths read as written.
std::string VisibleText(std::string_view text);

// Whether the whole text is well-formed UTF-8.
bool IsUtf8(std::string_view text);

// The length of the well-formed UTF-8 sequence at `at` (no overlong forms, no surrogates, nothing
// above U+10FFFF), or 0 when the byte there does not start one.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

// The code point of a control character (C0, DEL, C1) that starts the well-formed sequence of
// `length` bytes at `at`, or -1 for any other character.
int ControlCharacterAt(std::string_view text, std::size_t at, std::size_t length);

}  // namespace kvo
