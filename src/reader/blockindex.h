#pragma once
// Where the records of a file lie, block by block: the stored blocks of a compressed file, found
// by walking their length words without decoding, or the stretches of a recording's data area
// that kvox would compress as one block each.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "convert/storedblocks.h"
#include "platform/filestream.h"

namespace kvo::reader {

struct BlockEntry {
    std::uint64_t offset = 0;        // in the file: the block's first length word, or first record
    std::uint64_t storedLength = 0;  // bytes it takes in the file
    std::uint64_t firstRecord = 0;   // counted from 0 over the whole file
    std::uint64_t records = 0;
};

class BlockIndex {
  public:
    // Walks the blocks of a compressed file as restoring walks them (16 bytes read per block). The
    // first block that runs past the end of the file or whose lengths no restorable block has
    // ends the index; damaged() names it.
    static BlockIndex OfCompressed(FileStream& source, std::uint32_t passportLength);
    // The whole records of a recording's data area, cut as the default block plan cuts them.
    static BlockIndex OfRecording(std::uint32_t passportLength, std::uint64_t dataSize);

    const std::vector<BlockEntry>& entries() const noexcept { return fEntries; }
    std::uint64_t records() const noexcept { return fRecords; }
    const std::optional<DamagedBlock>& damaged() const noexcept { return fDamaged; }

    // The block that holds `record`, which must be below records().
    std::size_t blockOf(std::uint64_t record) const;

  private:
    void append(std::uint64_t offset, std::uint64_t storedLength, std::uint64_t records);

    std::vector<BlockEntry> fEntries;
    std::uint64_t fRecords = 0;
    std::optional<DamagedBlock> fDamaged;
};

}  // namespace kvo::reader
