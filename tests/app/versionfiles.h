#pragma once
// Version resources for the about box tests: none at all, or one built in memory.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/versioninfofile.h"
#include "platform/versionresource.h"

namespace kvo::test {

class NoVersionFile final : public VersionInfoFile {
  public:
    std::uint32_t fileVersionInfoSize(const std::string&) const override { return 0; }
    bool fileVersionInfo(const std::string&, std::span<std::uint8_t>) const override {
        return false;
    }
};

inline const VersionInfoFile& noVersionFile() {
    static const NoVersionFile none;
    return none;
}

class MemoryVersionFile final : public VersionInfoFile {
  public:
    explicit MemoryVersionFile(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::uint32_t fileVersionInfoSize(const std::string&) const override {
        return static_cast<std::uint32_t>(bytes_.size());
    }
    bool fileVersionInfo(const std::string&, std::span<std::uint8_t> block) const override {
        std::copy(bytes_.begin(), bytes_.end(), block.begin());
        return true;
    }

  private:
    std::vector<std::uint8_t> bytes_;
};

// File version 2.3.4.5, the translation `language`/04E4 and all five strings the box shows.
inline VersionResourceContent allStrings(std::uint16_t language) {
    VersionResourceContent c;
    c.fileVersionMS = (2u << 16) | 3u;
    c.fileVersionLS = (4u << 16) | 5u;
    c.translations = {{language, 0x04E4}};
    char key[9];
    std::snprintf(key, sizeof key, "%04X04E4", language);
    c.stringTableKey = key;
    c.strings = {{"CompanyName", "Лаборатория"},    {"ProductName", "KVOCodec"},
                 {"PrivateBuild", "сборка 7"},      {"ProductVersion", "1.0"},
                 {"FileDescription", "Сжатие KVO"}, {"FileVersion", "9.9.9.9"}};
    return c;
}

}  // namespace kvo::test
