#pragma once
// Counts heap bytes held through operator new, so a benchmark can report the peak a call needs.

#include <cstddef>

namespace kvo::bench {

std::size_t heapInUse();
// Forgets earlier peaks: from now on the peak starts at what is in use.
void resetHeapPeak();
std::size_t heapPeak();

}  // namespace kvo::bench
