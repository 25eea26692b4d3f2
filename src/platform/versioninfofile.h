#pragma once
// Access to the version resource of an executable file named by its path: the size, then the
// bytes. Queries into the bytes go through verQueryValue. Tests replace the file access.

#include <cstdint>
#include <span>
#include <string>

namespace kvo {

class VersionInfoFile {
  public:
    virtual ~VersionInfoFile() = default;
    // Size in bytes of the file's version resource; 0 when it has none.
    virtual std::uint32_t fileVersionInfoSize(const std::string& path) const = 0;
    // Fills `block` (at least the size above) with the resource; false when it cannot.
    virtual bool fileVersionInfo(const std::string& path, std::span<std::uint8_t> block) const = 0;
};

// Name of the ELF section in which the build stores the executable's version resource.
inline constexpr const char* kVersionSectionName = ".kvo_version";

// Finds the resource where the build put it: in the executable's own ELF section on Linux, in its
// VERSIONINFO resource on Windows.
class ExecutableVersionInfoFile final : public VersionInfoFile {
  public:
    std::uint32_t fileVersionInfoSize(const std::string& path) const override;
    bool fileVersionInfo(const std::string& path, std::span<std::uint8_t> block) const override;
};

}  // namespace kvo
