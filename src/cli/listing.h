#pragma once
// kvox --list: what a recording or compressed file holds, as text or as JSON.

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "convert/inspect.h"
#include "convert/storedblocks.h"
#include "platform/filestream.h"

namespace kvo::cli {

struct Listing {
    std::string path;
    FileKind kind = FileKind::Recording;
    std::uint64_t fileSize = 0;
    std::uint32_t passportLength = 0;
    std::vector<std::string> passportLines;
    std::uint64_t dataSize = 0;
    std::uint64_t records = 0;       // whole records (recording) or records the blocks hold
    std::uint64_t blocks = 0;        // blocks the default plan cuts (recording) or stored blocks
    std::uint64_t blockSize = 0;     // bytes of records per block (the first block's)
    std::uint64_t partialBytes = 0;  // recording: a trailing partial record
    std::uint64_t restoredSize = 0;  // compressed: the size of the restored recording
    std::optional<DamagedBlock> damaged;  // compressed: the first block that cannot restore
};

// Reads the passport and walks the blocks; the stream is left at position 0.
Listing ListFile(FileStream& source, FileKind kind);

// Texts from the file (passport, path) are printed with their control characters escaped.
void PrintListing(std::ostream& out, const Listing& listing);
void PrintListingJson(std::ostream& out, const Listing& listing);

}  // namespace kvo::cli
