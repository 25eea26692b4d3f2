#include "platform/visibletext.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace kvo {
namespace {

// Where the backslash separates folders, no file name can hold the control character an escape
// would stand for, and doubling it would garble every path a message names.
constexpr bool kBackslashSeparatesFolders = std::filesystem::path::preferred_separator == '\\';

std::string Escape(const char* format, unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[at + i]); };
    const std::uint8_t lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    std::uint8_t low = 0x80;  // range of the second byte
    std::uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() - at < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

int ControlCharacterAt(std::string_view text, std::size_t at, std::size_t length) {
    const auto lead = static_cast<std::uint8_t>(text[at]);
    if (length == 1 && (lead < 0x20 || lead == 0x7F)) {
        return lead;
    }
    if (length == 2 && lead == 0xC2) {
        const auto second = static_cast<std::uint8_t>(text[at + 1]);
        return second <= 0x9F ? second : -1;
    }
    return -1;
}

bool IsUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, at);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

std::string VisibleText(std::string_view text) {
    std::string shown;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, at);
        if (length == 0) {
            shown += Escape("\\x%02X", static_cast<std::uint8_t>(text[at]));
            ++at;
            continue;
        }
        const int control = ControlCharacterAt(text, at, length);
        if (control >= 0x80) {
            shown += Escape("\\u%04X", static_cast<unsigned>(control));
        } else if (control >= 0) {
            shown += Escape("\\x%02X", static_cast<unsigned>(control));
        } else if (text[at] == '\\' && !kBackslashSeparatesFolders) {
            shown += "\\\\";
        } else {
            shown.append(text, at, length);
        }
        at += length;
    }
    return shown;
}

}  // namespace kvo
