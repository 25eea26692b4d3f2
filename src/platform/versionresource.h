#pragma once
// Version resources in the Windows layout (VS_VERSIONINFO: fixed file information, string tables
// and translation table, texts in UTF-16LE). The executable carries one; the about box reads it.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvo {

// What a version resource holds; the inverse of querying one.
struct VersionResourceContent {
    std::uint32_t fileVersionMS = 0;
    std::uint32_t fileVersionLS = 0;
    std::uint32_t productVersionMS = 0;
    std::uint32_t productVersionLS = 0;
    // Translation entries (language, code page); none means no VarFileInfo block at all.
    std::vector<std::pair<std::uint16_t, std::uint16_t>> translations;
    // Key of the one string table, e.g. "040904E4"; empty means no StringFileInfo block.
    std::string stringTableKey;
    std::vector<std::pair<std::string, std::string>> strings;  // ASCII key, UTF-8 value
};

std::vector<std::uint8_t> buildVersionResource(const VersionResourceContent& content);

// Looks up a sub-block path such as "\", "\VarFileInfo\Translation" or
// "\StringFileInfo\040904E4\ProductVersion" (leading backslash optional, keys compared without
// regard to ASCII case). On success `value` views the value inside `block` and `length` is its
// length as the resource states it (characters for texts, bytes otherwise).
bool verQueryValue(std::span<const std::uint8_t> block, std::string_view subBlock,
                   std::span<const std::uint8_t>& value, std::uint32_t& length);

// The zero-terminated UTF-16LE text at the start of `value`, cut at the end of the view.
std::u16string utf16TextAt(std::span<const std::uint8_t> value);
// The same text as UTF-8; a surrogate without its partner becomes U+FFFD.
std::string utf8TextAt(std::span<const std::uint8_t> value);

}  // namespace kvo
