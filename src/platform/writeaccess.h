#pragma once
// Whether an existing file may be written by this user, asked before a file is replaced.

#include <string>

namespace kvo {

// True when nothing is at `path` or the file there (links followed) may be written. Root may
// write any file, so for root a file counts as writable only when its mode lets someone write it:
// a file that nobody may write is meant to stay as it is.
bool MayWrite(const std::string& path);

// Why a file that may not be written is not replaced.
std::string WriteProtectedText(const std::string& path);

}  // namespace kvo
