#include "platform/versioninfofile.h"

#include <algorithm>

#include "platform/elfsection.h"

namespace kvo {

std::uint32_t ExecutableVersionInfoFile::fileVersionInfoSize(const std::string& path) const {
    const auto section = readElfSection(path, kVersionSectionName);
    return section ? static_cast<std::uint32_t>(section->size()) : 0;
}

bool ExecutableVersionInfoFile::fileVersionInfo(const std::string& path,
                                                std::span<std::uint8_t> block) const {
    const auto section = readElfSection(path, kVersionSectionName);
    if (!section || section->empty() || section->size() > block.size()) {
        return false;
    }
    std::copy(section->begin(), section->end(), block.begin());
    return true;
}

}  // namespace kvo
