#pragma once
// How a data area is cut into blocks for compression.

#include <cstdint>

namespace kvo {

// fullBlocks blocks of blockSize bytes, then one block of lastBlockSize bytes (0: none). Bytes
// of the data area behind them are not carried into the compressed file.
struct BlockPlan {
    std::uint64_t blockSize = 0;
    std::uint64_t fullBlocks = 0;
    std::uint64_t lastBlockSize = 0;

    std::uint64_t blockCount() const { return fullBlocks + (lastBlockSize != 0 ? 1 : 0); }
    std::uint64_t coveredBytes() const { return blockSize * fullBlocks + lastBlockSize; }
    friend bool operator==(const BlockPlan&, const BlockPlan&) = default;
};

// A compressed block needs at least 12 records.
inline constexpr std::uint64_t kMinBlockSize = 72;
// The codec reports block lengths as signed 32-bit values and a block can grow to 16 + 9n bytes,
// so n may not exceed 238609292 records.
inline constexpr std::uint64_t kMaxBlockSize = 238609292ull * 6;
// The command-line program's default upper bound for one block.
inline constexpr std::uint64_t kDefaultMaxBlockSize = std::uint64_t{64} << 20;

// dataSize div blockSize blocks of blockSize bytes; the remainder is not carried. This is what
// the desktop program does with a size from its list; a blockSize of 0 gives no blocks.
BlockPlan EqualBlocks(std::uint64_t dataSize, std::uint64_t blockSize);

// Blocks of blockSize bytes that carry every whole record: the records left over go into a
// shorter final block, or are added to the last full block when they are fewer than 12.
// blockSize must be a multiple of 6; below kMinBlockSize it throws std::invalid_argument.
BlockPlan CoveringBlocks(std::uint64_t dataSize, std::uint64_t blockSize);

// The whole data area as one block when it fits in maxBlockSize; otherwise the largest equal
// blocks of at most maxBlockSize (and at least half of it), and where the record count allows no
// such split, covering blocks of about that size. Every whole record is carried. A bound below
// two smallest blocks (144 bytes) is raised to that.
BlockPlan DefaultBlocks(std::uint64_t dataSize, std::uint64_t maxBlockSize = kDefaultMaxBlockSize);

}  // namespace kvo
