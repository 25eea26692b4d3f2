#include <windows.h>

#include "platform/versioninfofile.h"
#include "platform/widetext.h"

namespace kvo {

std::uint32_t ExecutableVersionInfoFile::fileVersionInfoSize(const std::string& path) const {
    DWORD ignored = 0;
    return GetFileVersionInfoSizeW(SystemPathOf(path).c_str(), &ignored);
}

bool ExecutableVersionInfoFile::fileVersionInfo(const std::string& path,
                                                std::span<std::uint8_t> block) const {
    return GetFileVersionInfoW(SystemPathOf(path).c_str(), 0, static_cast<DWORD>(block.size()),
                               block.data()) != 0;
}

}  // namespace kvo
