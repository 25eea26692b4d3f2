#pragma once
// Reads one named section of an ELF file (64- or 32-bit, little-endian), e.g. the version
// resource that the build places in the executable.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace kvo {

// The section's bytes, or nothing when the file cannot be read, is no ELF file of that kind, or
// has no such section. Sizes are checked against the file, so a damaged file gives nothing.
std::optional<std::vector<std::uint8_t>> readElfSection(const std::filesystem::path& file,
                                                        std::string_view sectionName);

}  // namespace kvo
