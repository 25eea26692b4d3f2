#include "model/headbuffer.h"

#include <cstring>
#include <stdexcept>
#include <string>

namespace kvo {

namespace {
// The capacity sits in a prefix in front of the bytes handed out; the prefix keeps the payload
// aligned for any scalar.
constexpr std::size_t kPrefixBytes = alignof(std::max_align_t);
static_assert(kPrefixBytes >= sizeof(std::size_t));

}  // namespace

void HeadBufferDeleter::operator()(void* buffer) const noexcept {
    if (buffer != nullptr) {
        std::unique_ptr<std::uint8_t[]> block(static_cast<std::uint8_t*>(buffer) - kPrefixBytes);
    }
}

HeadBuffer allocateHeadBuffer(std::uint64_t capacity) {
    if (capacity > kMaxHeadBufferCapacity) {
        // The limit ends in 7, so "байт" agrees with it.
        throw std::length_error("буфер паспорта слишком велик: нужно " + std::to_string(capacity) +
                                ", допустимо не больше " + std::to_string(kMaxHeadBufferCapacity) +
                                " байт");
    }
    const auto size = static_cast<std::size_t>(capacity);
    auto block = std::make_unique<std::uint8_t[]>(kPrefixBytes + size);
    std::memcpy(block.get(), &size, sizeof size);
    return HeadBuffer(block.release() + kPrefixBytes);
}

std::size_t headBufferCapacity(const void* buffer) noexcept {
    std::size_t size = 0;
    std::memcpy(&size, static_cast<const std::uint8_t*>(buffer) - kPrefixBytes, sizeof size);
    return size;
}

}  // namespace kvo
