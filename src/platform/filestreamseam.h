#pragma once
// Inside the platform layer: how a failed write is reported on each system.

#include <string>

#include "platform/filestream.h"

namespace kvo {

// Throws FileError "<what> <path>: <reason>", the reason given by the system's own code where the
// outcome has one, else by its errno value.
[[noreturn]] void ThrowSystemFailure(const std::string& what, const std::string& path,
                                     const WriteOutcome& outcome);

}  // namespace kvo
