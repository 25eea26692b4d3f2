#pragma once
// The text of a checksum file as `sha256sum` writes it and `sha256sum -c` reads it: "HEX  NAME"
// (" *NAME" for binary mode), "HEX NAME", "SHA256 (NAME) = HEX", and the escaped form, a line that
// starts with a backslash and writes a backslash, newline or carriage return of the name as "\\",
// "\n" or "\r".

#include <string>
#include <string_view>
#include <vector>

namespace kvo {

// One file a checksum file names.
struct ChecksumEntry {
    std::string hex;   // 64 lower-case hex digits
    std::string name;  // as written, unescaped: relative to the folder `sha256sum -c` runs in
    bool operator==(const ChecksumEntry&) const = default;
};

// The line sha256sum writes for a file named `name`.
std::string ChecksumLine(const std::string& hex, const std::string& name);

// Every line sha256sum -c would check; comments, blank and malformed lines are passed over as it
// passes over them.
std::vector<ChecksumEntry> ParseChecksumText(std::string_view text);

}  // namespace kvo
