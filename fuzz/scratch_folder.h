#pragma once
// A private folder for the file-level fuzz targets: on tmpfs when the machine has one, so that
// millions of short-lived files never touch a disk. Removed when the process ends normally; the
// environment variable KVO_FUZZ_SCRATCH names the folder to create it in.

#include <filesystem>
#include <string>
#include <string_view>

namespace kvo::fuzz {

// The folder of this process, created on first use.
const std::filesystem::path& ScratchFolder();

void WriteFile(const std::filesystem::path& path, std::string_view bytes);
std::string ReadFile(const std::filesystem::path& path);

// Sorted names of everything in the folder, each followed by a blank, for checks that a run
// left nothing behind.
std::string ListFolder(const std::filesystem::path& folder);

}  // namespace kvo::fuzz
