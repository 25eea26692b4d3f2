#include "convert/checksumtext.h"

#include <optional>

namespace kvo {
namespace {

constexpr std::size_t kHexDigits = 64;
constexpr std::string_view kTag = "SHA256";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::optional<std::string> LowerHex(std::string_view digits) {
    if (digits.size() != kHexDigits) {
        return std::nullopt;
    }
    std::string hex;
    for (const char c : digits) {
        if (c >= '0' && c <= '9') {
            hex += c;
        } else if ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')) {
            hex += static_cast<char>(c | 0x20);
        } else {
            return std::nullopt;
        }
    }
    return hex;
}

// A name may hold no NUL, and in the escaped form no other escape and no lone backslash at its end.
// An empty name names no file.
std::optional<std::string> NameOf(std::string_view written, bool escaped) {
    std::string name;
    for (std::size_t i = 0; i < written.size(); ++i) {
        const char c = written[i];
        if (c == '\0') {
            return std::nullopt;
        }
        if (!escaped || c != '\\') {
            name += c;
            continue;
        }
        if (++i == written.size()) {
            return std::nullopt;
        }
        switch (written[i]) {
            case '\\':
                name += '\\';
                break;
            case 'n':
                name += '\n';
                break;
            case 'r':
                name += '\r';
                break;
            default:
                return std::nullopt;
        }
    }
    return name;
}

std::optional<ChecksumEntry> Entry(std::string_view hexDigits, std::string_view name,
                                   bool escaped) {
    auto hex = LowerHex(hexDigits);
    auto unescaped = NameOf(name, escaped);
    if (!hex || !unescaped || unescaped->empty()) {
        return std::nullopt;
    }
    return ChecksumEntry{std::move(*hex), std::move(*unescaped)};
}

// "(NAME) = HEX", behind "SHA256 ": the name ends at the last parenthesis.
std::optional<ChecksumEntry> Tagged(std::string_view rest, bool escaped) {
    const auto close = rest.rfind(')');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    std::size_t at = close + 1;
    while (at < rest.size() && IsBlank(rest[at])) {
        ++at;
    }
    if (at == rest.size() || rest[at] != '=') {
        return std::nullopt;
    }
    ++at;
    while (at < rest.size() && IsBlank(rest[at])) {
        ++at;
    }
    return Entry(rest.substr(at), rest.substr(0, close), escaped);
}

// Whether the lines put a type mark (' ' or '*') between the digest and the name. The first line
// that tells decides for the whole file, so a name that starts with a space cannot be taken for a
// mark on one line and a name on the next.
enum class Marks { Undecided, Present, Absent };

class Parser {
  public:
    std::optional<ChecksumEntry> line(std::string_view text) {
        std::size_t at = 0;
        while (at < text.size() && IsBlank(text[at])) {
            ++at;
        }
        const bool escaped = at < text.size() && text[at] == '\\';
        at += escaped ? 1 : 0;
        std::string_view rest = text.substr(at);
        if (rest.starts_with(kTag)) {
            rest.remove_prefix(kTag.size());
            if (rest.starts_with(' ')) {
                rest.remove_prefix(1);
            }
            return rest.starts_with('(') ? Tagged(rest.substr(1), escaped) : std::nullopt;
        }
        // The digest, a blank, and at least one more character.
        if (rest.size() < kHexDigits + 2 || !IsBlank(rest[kHexDigits])) {
            return std::nullopt;
        }
        std::size_t name = kHexDigits + 1;
        const bool marked = rest.size() - name > 1 && (rest[name] == ' ' || rest[name] == '*');
        if (!marked) {
            if (fMarks == Marks::Present) {
                return std::nullopt;
            }
            fMarks = Marks::Absent;
        } else if (fMarks != Marks::Absent) {
            fMarks = Marks::Present;
            ++name;
        }
        return Entry(rest.substr(0, kHexDigits), rest.substr(name), escaped);
    }

  private:
    Marks fMarks = Marks::Undecided;
};

}  // namespace

std::string ChecksumLine(const std::string& hex, const std::string& name) {
    std::string written;
    bool escaped = false;
    for (const char c : name) {
        const char* escape = c == '\\' ? "\\\\" : c == '\n' ? "\\n" : c == '\r' ? "\\r" : nullptr;
        if (escape != nullptr) {
            written += escape;
            escaped = true;
        } else {
            written += c;
        }
    }
    return (escaped ? "\\" : "") + hex + "  " + written + "\n";
}

std::vector<ChecksumEntry> ParseChecksumText(std::string_view text) {
    std::vector<ChecksumEntry> entries;
    Parser parser;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.starts_with('#')) {
            continue;
        }
        if (line.ends_with('\r')) {
            line.remove_suffix(1);  // a line ending of another system
        }
        if (line.empty()) {
            continue;
        }
        if (auto entry = parser.line(line)) {
            entries.push_back(std::move(*entry));
        }
    }
    return entries;
}

}  // namespace kvo
