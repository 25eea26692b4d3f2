#pragma once
// Storage and counting rules shared by the ring buffers: logical index Size - 1 is the newest
// element, and an index of Size or more wraps.

#include <cstdint>

namespace kvo::ring {

// The sum wraps at 2^32 before the modulo, exactly as unsigned 32-bit arithmetic does.
constexpr std::uint32_t storagePosition(std::uint32_t ind, std::uint32_t innInd,
                                        std::uint32_t size) {
    return (ind + innInd) % size;
}

constexpr std::uint32_t logicalIndex(std::uint32_t position, std::uint32_t innInd,
                                     std::uint32_t size) {
    return static_cast<std::uint32_t>((std::uint64_t{size} + position - innInd) % size);
}

// The fill counter counts whole Adds until it first reaches Size, then freezes; an Add of no
// elements, or a negative count, leaves it alone.
constexpr void countAdded(std::uint32_t& completeness, std::uint32_t size, std::int32_t n) {
    if (n > 0 && completeness < size) {
        completeness += static_cast<std::uint32_t>(n);
    }
}

// Logical indices 0 .. size - 1, oldest first.
template <class T>
void copyLogicalRow(const T* base, std::uint32_t innInd, std::uint32_t size, T* row) {
    for (std::uint32_t i = 0; i < size; ++i) {
        row[i] = base[storagePosition(i, innInd, size)];
    }
}

// Every index is taken mod Size, so sizes below 1 are refused with std::invalid_argument.
std::uint32_t checkedSize(std::int32_t Sz, const char* owner);

}  // namespace kvo::ring
