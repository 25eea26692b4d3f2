#pragma once
// The size of the machine's memory, for budgets that must fit beside everything else it runs.

#include <cstdint>

namespace kvo {

// The physical memory in bytes; 0 when the system does not say.
std::uint64_t PhysicalMemoryBytes();

}  // namespace kvo
