#pragma once
// Inside the platform layer: the failures of a safe output that every system words alike.

#include <string>

namespace kvo {

// The target appeared while the run went on and is to be kept.
[[noreturn]] void AlreadyExists(const std::string& path);

}  // namespace kvo
