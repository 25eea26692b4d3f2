#pragma once
// Files for the window and controller tests: a temporary folder and crafted recordings.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kvo::test {

using Bytes = std::vector<std::uint8_t>;

// An empty folder for one test under KVO_TEST_TMP.
std::filesystem::path cleanFolder(const std::string& name);
void writeBytes(const std::filesystem::path& path, const Bytes& bytes);
Bytes readBytes(const std::filesystem::path& path);

// The 24-byte passport without channels, then `dataBytes` bytes of data.
Bytes plainRecording(std::size_t dataBytes);

}  // namespace kvo::test
