#include "cli/outputtext.h"

#include <cstdio>

namespace kvo::cli {

std::string JsonString(std::string_view text) {
    std::string quoted = "\"";
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, at);
        if (length == 0) {
            quoted += "\\ufffd";
            ++at;
            continue;
        }
        const int control = ControlCharacterAt(text, at, length);
        if (control >= 0) {
            char escape[16];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(control));
            quoted += escape;
        } else if (text[at] == '"' || text[at] == '\\') {
            quoted += '\\';
            quoted += text[at];
        } else {
            quoted.append(text, at, length);
        }
        at += length;
    }
    return quoted + "\"";
}

}  // namespace kvo::cli
