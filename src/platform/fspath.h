#pragma once
// File names inside the programs are UTF-8 strings on every system; std::filesystem takes and
// gives them through these two, so that Windows does not read them in its ANSI code page.

#include <filesystem>
#include <string>

namespace kvo {

std::filesystem::path FsPath(const std::string& utf8);
std::string Utf8Of(const std::filesystem::path& path);

}  // namespace kvo
