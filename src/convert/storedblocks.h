#pragma once
// Reading a file's layout without decoding it: the passport length of any recording or compressed
// file, and the block structure of a compressed file.

#include <cstdint>
#include <functional>
#include <optional>

#include "platform/filestream.h"

namespace kvo {

// The passport's length field. Files of any size; a file too short to hold the field, or shorter
// than the passport it announces, is refused with ConvertError naming it. Leaves the stream at 0.
std::uint32_t ReadPassportLength(FileStream& source);

struct StoredBlocks {
    std::uint64_t blocks = 0;   // whole blocks behind the passport
    std::uint64_t records = 0;  // records they announce (section 1 length div 2)
    std::uint64_t firstBlockRecords = 0;
    // Index of the block that runs past the end of the file, if one does.
    std::optional<std::uint64_t> cutShortBlock;
};

// Where one whole block lies in the file.
struct StoredBlock {
    std::uint64_t offset = 0;   // of its first length word
    std::uint64_t length = 0;   // bytes stored, length words included
    std::uint64_t records = 0;  // section 1 length div 2
};

// Walks the length words of every block (16 bytes read per block) and calls `found` for each whole
// one in file order. Returns the index of the block that runs past the end of the file, if one
// does; the walk ends there. Leaves the stream at 0.
std::optional<std::uint64_t> ForEachStoredBlock(
    FileStream& source, std::uint32_t passportLength,
    const std::function<void(const StoredBlock&)>& found);

// The totals of ForEachStoredBlock.
StoredBlocks WalkStoredBlocks(FileStream& source, std::uint32_t passportLength);

}  // namespace kvo
