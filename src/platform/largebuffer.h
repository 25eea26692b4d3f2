#pragma once
// Buffers of whole blocks: tens of megabytes each, touched once and reused from block to block.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvo {

// Makes room for `bytes` in `buffer` (its contents kept) without touching the new memory, and
// where the system offers it, asks for huge pages behind a large buffer, so that first use costs
// a page fault per 2 MiB instead of per 4 KiB.
void ReserveLarge(std::vector<std::uint8_t>& buffer, std::size_t bytes);

}  // namespace kvo
