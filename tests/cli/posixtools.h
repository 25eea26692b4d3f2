#pragma once
// What some checks lean on that only POSIX systems offer; the checks ask here whether they can
// run, and say so when they cannot.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace kvo::test {

// A POSIX shell with sha256sum and the usual tools on the PATH (never for a Windows program).
inline bool HavePosixShell() {
    return std::system("command -v sha256sum >/dev/null 2>&1") == 0;
}

// Whether a file name may hold any byte but "/" (a backslash, a line feed, bytes that are not
// UTF-8): POSIX file systems; Windows takes "\" as a separator and keeps names in UTF-16.
inline bool NamesHoldAnyByte(const std::filesystem::path& folder) {
    const std::filesystem::path probe = folder / "back\\slash\n\xff";
    const bool made = static_cast<bool>(std::ofstream(probe));
    std::error_code ignored;
    const bool one = made && std::filesystem::is_regular_file(probe, ignored) &&
                     !std::filesystem::exists(folder / "back", ignored);
    std::filesystem::remove(probe, ignored);
    return one;
}

}  // namespace kvo::test
