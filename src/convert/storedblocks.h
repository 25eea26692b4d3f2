#pragma once
// Reading a file's layout without decoding it: the passport length of any recording or compressed
// file, and the block structure of a compressed file.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>

#include "codec/block_format.h"
#include "convert/converterror.h"
#include "platform/filestream.h"

namespace kvo {

// The passport's length field. Files of any size; a file too short to hold the field, or shorter
// than the passport it announces, is refused with ConvertError naming it. Leaves the stream at 0.
std::uint32_t ReadPassportLength(FileStream& source);

// Where one whole block lies in the file.
struct StoredBlock {
    std::uint64_t index = 0;    // counted from 0
    std::uint64_t offset = 0;   // of its first length word
    std::uint64_t length = 0;   // bytes stored, length words included
    std::uint64_t records = 0;  // section 1 length div 2
    codec::SectionLengths sections{};
};

// A block that cannot be restored, as far as its length words tell.
struct DamagedBlock {
    std::uint64_t index = 0;  // counted from 0
    bool cutShort = false;    // runs past the end of the file; otherwise its sections cannot fit
    std::string reason;  // what is wrong, for the user: "обрывается в конце файла" ...
};

// The Damaged error for `block` of the file `path`, worded as restoring words it.
ConvertError DamagedBlockError(const std::string& path, const DamagedBlock& block);

// Block `index`, whose first length word is at `offset`, judged on its four length words alone
// (16 bytes read, the stream's position unchanged): where it lies, or why it cannot be restored
// (it runs past `end`, or codec::storedLengthsFault refuses its lengths). Every reader of
// compressed files finds and refuses blocks by this one step.
std::variant<StoredBlock, DamagedBlock> StoredBlockAt(const FileStream& source, std::uint64_t index,
                                                      std::uint64_t offset, std::uint64_t end);

// Walks the blocks with StoredBlockAt and calls `found` for each sound one in file order until it
// returns false. Returns the first damaged block, where the walk ends. Checks between blocks
// whether the user has asked to stop (kvo::Interrupted) and then gives up with ConvertError.
// Leaves the stream at 0.
std::optional<DamagedBlock> ForEachStoredBlock(
    FileStream& source, std::uint32_t passportLength,
    const std::function<bool(const StoredBlock&)>& found);

// Whether the data area is empty or opens with a block whose length words hold together, as that
// of every compressed file does; the records of a recording almost never do. Reads one block's
// length words. Leaves the stream at 0.
bool OpensWithStoredBlock(FileStream& source, std::uint32_t passportLength);

struct StoredBlocks {
    std::uint64_t blocks = 0;   // sound blocks in front of the damaged one, or all of them
    std::uint64_t records = 0;  // records they announce (section 1 length div 2)
    std::uint64_t firstBlockRecords = 0;
    std::optional<DamagedBlock> damaged;
};

// The totals of the walk up to the first damaged block.
StoredBlocks WalkStoredBlocks(FileStream& source, std::uint32_t passportLength);

}  // namespace kvo
