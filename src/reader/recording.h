#pragma once
// Read-only access to the records of a recording (.kvo) or compressed file (.kvox) where they lie:
// the passport as data, the block index, and the records of any stretch, decoding only the blocks
// that hold them. Damaged blocks are refused as the file-level module refuses them
// (ConvertError::Kind::Damaged naming the block); reads that do not touch them still work.
//
// Not safe for concurrent use: one Recording serves one thread at a time.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "convert/blockpipeline.h"
#include "convert/inspect.h"
#include "convert/passport_fields.h"
#include "model/types4kvo.h"
#include "platform/filestream.h"
#include "reader/blockindex.h"
#include "reader/partialblock.h"

namespace kvo::reader {

// Called after each block of a read with the records delivered so far and the records asked for.
using ReadProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;
// Called once per block, in file order, with its records (entry.records x 6 bytes).
using BlockVisitor = std::function<void(const BlockEntry& entry, const std::uint8_t* records)>;

class Recording {
  public:
    // The kind goes by the extension, ".kvo" or ".kvox", unless `kind` is given. Refuses files
    // the file-level module refuses (too short, shorter than their passport) with ConvertError.
    static Recording Open(const std::string& path, std::optional<FileKind> kind = std::nullopt);

    Recording(Recording&&) noexcept = default;
    Recording& operator=(Recording&&) noexcept = default;

    const std::string& path() const noexcept { return fSource.path(); }
    FileKind kind() const noexcept { return fKind; }
    std::uint32_t passportLength() const noexcept { return fPassportLength; }
    const PassportFields& passport() const noexcept { return fPassport; }
    // Whole records: of the data area, or of the whole blocks of a compressed file.
    std::uint64_t recordCount() const noexcept { return fIndex.records(); }
    // Bytes of a partial record behind the last whole one (a compressed file never carries any).
    std::uint64_t partialRecordBytes() const noexcept { return fPartialRecordBytes; }
    const std::vector<BlockEntry>& blocks() const noexcept { return fIndex.entries(); }
    // The first compressed block that runs past the end of the file or whose length words no
    // restorable block has, as restoring names it. The index ends in front of it: the records from
    // there on cannot be told apart from the damage.
    const std::optional<DamagedBlock>& damagedBlock() const noexcept { return fIndex.damaged(); }

    // Decoding threads for reads that span several blocks; 0 (the default) uses every core.
    void setThreads(unsigned threads) noexcept { fThreads = threads; }
    // Blocks decoded since opening: the cost of the reads so far.
    std::uint64_t blocksDecoded() const noexcept { return fBlocksDecoded; }
    // Records restored since opening: a block read only in part counts as far as it was restored.
    std::uint64_t recordsDecoded() const noexcept { return fRecordsDecoded; }

    // Writes records firstRecord .. firstRecord + count - 1 (count x 6 bytes) to out. Only the
    // blocks that hold them are decoded; a block the read wants only in part is restored up to the
    // stretch that holds the read's end and kept, so that a later read goes on from there.
    // A stretch past recordCount() is refused with refuseBeyondEnd.
    void read(std::uint64_t firstRecord, std::uint64_t count, std::uint8_t* out,
              const ReadProgress& progress = {});

    // Refuses a read from firstRecord on that runs past recordCount(). With a damaged block, as
    // restoring would: the blocks from firstRecord up to it are decoded, and the first of them
    // that does not restore, or else the damaged block, is named (ConvertError, Damaged).
    // Otherwise std::out_of_range.
    [[noreturn]] void refuseBeyondEnd(std::uint64_t firstRecord, std::uint64_t count);

    // Visits every block in file order, holding at most one decoded block per thread, then
    // refuses a damaged block.
    void visitBlocks(const BlockVisitor& visit);

  private:
    Recording(FileStream source, FileKind kind);

    // Visits the blocks from `first` on in file order, decoding them on up to fThreads threads.
    void visitFrom(std::size_t first, const BlockVisitor& visit);
    void readStored(const BlockEntry& entry, T1DimByteArr& into);
    void decodeInto(std::size_t block, const T1DimByteArr& stored, std::uint8_t* out) const;
    // The block's records from its first up to at least `records`, restored through fPartial.
    const std::uint8_t* partlyRestored(std::size_t block, std::uint64_t records);
    unsigned threadsFor(std::size_t blocks) const;
    // Reads the listed blocks as stored and decodes them on up to fThreads threads; `decoded`
    // sees them in the listed order on the calling thread.
    void decodeBlocks(const std::vector<std::size_t>& wanted, const BlockPipeline::Work& decode,
                      const std::function<void(const PipelineBlock&)>& decoded);

    FileStream fSource;
    FileKind fKind;
    std::uint32_t fPassportLength = 0;
    PassportFields fPassport;
    BlockIndex fIndex;
    std::uint64_t fPartialRecordBytes = 0;
    std::size_t fLargestStored = 0;  // bytes of the largest stored block
    unsigned fThreads = 0;
    std::uint64_t fBlocksDecoded = 0;
    std::uint64_t fRecordsDecoded = 0;
    PartialBlock fPartial;
};

}  // namespace kvo::reader
