#include "platform/versionstrings.h"

#include <array>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <tuple>

namespace kvo {
namespace {

// MAJOR.MINOR.PATCH.BUILD as the two words of a fixed version.
std::pair<std::uint32_t, std::uint32_t> versionWords(const std::string& text) {
    std::array<unsigned, 4> parts{};
    char tail = 0;
    if (std::sscanf(text.c_str(), "%u.%u.%u.%u%c", &parts[0], &parts[1], &parts[2], &parts[3],
                    &tail) != 4) {
        throw std::runtime_error("not a version of four numbers: " + text);
    }
    for (const unsigned part : parts) {
        if (part > 0xFFFF) {
            throw std::runtime_error("version number too large: " + text);
        }
    }
    return {(parts[0] << 16) | parts[1], (parts[2] << 16) | parts[3]};
}

}  // namespace

VersionResourceContent versionContentFrom(std::istream& strings) {
    VersionResourceContent content;
    content.translations = {{0x0409, 0x04E4}};
    content.stringTableKey = "040904E4";
    std::string line;
    while (std::getline(strings, line)) {
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            throw std::runtime_error("line without '=': " + line);
        }
        std::string key = line.substr(0, equals);
        std::string value = line.substr(equals + 1);
        if (key == "FileVersion") {
            std::tie(content.fileVersionMS, content.fileVersionLS) = versionWords(value);
        } else if (key == "ProductVersion") {
            std::tie(content.productVersionMS, content.productVersionLS) = versionWords(value);
        }
        content.strings.emplace_back(std::move(key), std::move(value));
    }
    return content;
}

}  // namespace kvo
