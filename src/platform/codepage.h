#pragma once
// Single-byte texts in recording files are Windows-1251; the code page is our own so that both
// programs decode them the same way on every host.

#include <string>
#include <string_view>

namespace kvo {

// Windows-1251 bytes as UTF-16 text.
std::u16string cp1251ToUtf16(std::string_view bytes);

// Windows-1251 bytes as UTF-8 text.
std::string cp1251ToUtf8(std::string_view bytes);

}  // namespace kvo
