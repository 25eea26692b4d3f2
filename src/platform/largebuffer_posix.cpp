#include "platform/largebuffer.h"

#include <sys/mman.h>

#include <cstdint>

namespace kvo {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

}  // namespace

void ReserveLarge(std::vector<std::uint8_t>& buffer, std::size_t bytes) {
    if (buffer.capacity() >= bytes) {
        return;
    }
    buffer.reserve(bytes);
    if (bytes < 2 * kHugePage) {
        return;
    }
    const auto start = reinterpret_cast<std::uintptr_t>(buffer.data());
    const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (start + bytes) & ~(kHugePage - 1);
    if (last > first) {
        // Advice only: where huge pages are not to be had, the buffer works as it is.
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
}

}  // namespace kvo
