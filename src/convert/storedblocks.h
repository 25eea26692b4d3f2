#pragma once
// Reading a file's layout without decoding it: the passport length of any recording or compressed
// file, and the block structure of a compressed file.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/filestream.h"

namespace kvo {

// The passport's length field. Files of any size; a file too short to hold the field, or shorter
// than the passport it announces, is refused with ConvertError naming it. Leaves the stream at 0.
std::uint32_t ReadPassportLength(FileStream& source);

// The first block that cannot be restored, as far as its length words tell.
struct DamagedBlock {
    std::uint64_t index = 0;  // counted from 0
    bool cutShort = false;    // runs past the end of the file; otherwise its sections cannot fit
    std::string reason;  // what is wrong, for the user: "обрывается в конце файла" ...
};

struct StoredBlocks {
    std::uint64_t blocks = 0;   // sound blocks in front of the damaged one, or all of them
    std::uint64_t records = 0;  // records they announce (section 1 length div 2)
    std::uint64_t firstBlockRecords = 0;
    std::optional<DamagedBlock> damaged;
};

// Walks the length words of every block (16 bytes read per block) up to the first block that is
// cut short or whose section lengths no restorable block has. Checks between blocks whether the
// user has asked to stop (kvo::Interrupted) and then gives up with ConvertError. Leaves the
// stream at 0.
StoredBlocks WalkStoredBlocks(FileStream& source, std::uint32_t passportLength);

}  // namespace kvo
