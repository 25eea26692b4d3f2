#pragma once
// Passport buffers that remember their own capacity, so that a header cursor handed a buffer can
// still keep every access inside it.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace kvo {

struct HeadBufferDeleter {
    void operator()(void* buffer) const noexcept;
};
using HeadBuffer = std::unique_ptr<void, HeadBufferDeleter>;

// Largest capacity a passport buffer may have: cursor offsets are reported as signed 32-bit values.
inline constexpr std::uint64_t kMaxHeadBufferCapacity = 0x7FFFFFFF;

// A zero-filled buffer of `capacity` bytes; std::length_error above kMaxHeadBufferCapacity.
HeadBuffer allocateHeadBuffer(std::uint64_t capacity);

// The capacity a buffer was allocated with; `buffer` must come from allocateHeadBuffer.
std::size_t headBufferCapacity(const void* buffer) noexcept;

}  // namespace kvo
