#include "app/aboutlabels.h"

#include <cstdio>
#include <span>
#include <vector>

#include "platform/versioninfofile.h"
#include "platform/versionresource.h"

namespace kvo {
namespace {

std::uint32_t dwordAt(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16)) |
           (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

std::string versionNumbers(std::uint32_t ms, std::uint32_t ls) {
    return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." +
           std::to_string(ls >> 16) + "." + std::to_string(ls & 0xFFFF);
}

std::string translationKey(std::span<const std::uint8_t> translation) {
    char key[9];
    std::snprintf(key, sizeof key, "%04X%04X", translation[0] | (translation[1] << 8),
                  translation[2] | (translation[3] << 8));
    return key;
}

}  // namespace

std::optional<AboutLabels> readAboutLabels(const VersionInfoFile& file,
                                           const std::string& executablePath) {
    const std::uint32_t size = file.fileVersionInfoSize(executablePath);
    if (size == 0) {
        return std::nullopt;
    }
    AboutLabels labels;
    std::vector<std::uint8_t> block(size, 0);
    if (!file.fileVersionInfo(executablePath, block)) {
        return labels;  // shown as they are
    }
    std::span<const std::uint8_t> value;
    std::uint32_t length = 0;
    if (verQueryValue(block, "\\", value, length) && length >= 4 && value.size() >= 16) {
        labels[5] = "FileVersion :  " + versionNumbers(dwordAt(value, 8), dwordAt(value, 12));
    }
    if (!verQueryValue(block, "\\VarFileInfo\\Translation", value, length) || length < 4 ||
        value.size() < 4) {
        throw EReadError("Invalid language info in file " + executablePath);
    }
    const std::string table = "StringFileInfo\\" + translationKey(value) + "\\";
    // Label1 .. Label5 in order; a key missing from the table leaves its label as it was.
    const std::array<std::string_view, 5> keys{VersionKeyNames[1], VersionKeyNames[8],
                                               VersionKeyNames[10], VersionKeyNames[9],
                                               VersionKeyNames[2]};
    for (std::size_t label = 0; label < keys.size(); ++label) {
        const std::string key(keys[label]);
        if (verQueryValue(block, table + key, value, length)) {
            labels[label] = key + ": " + utf8TextAt(value);
        }
    }
    return labels;
}

}  // namespace kvo
