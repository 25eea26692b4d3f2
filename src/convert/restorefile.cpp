#include <algorithm>
#include <string>
#include <variant>

#include "codec/block_format.h"
#include "codec/kvoarchiver.h"
#include "convert/blockpipeline.h"
#include "convert/checksum.h"
#include "convert/convertfile.h"
#include "convert/convertoutput.h"
#include "convert/dataarea.h"
#include "convert/ioerrors.h"
#include "convert/memorybudget.h"
#include "convert/sharedprogress.h"
#include "convert/sourcewatch.h"
#include "convert/storedblocks.h"
#include "model/fileformat.h"
#include "platform/largebuffer.h"

namespace kvo {
namespace {

// The share of a block's progress its reading makes when the run is that one block: reading a
// large stored block from a slow disk takes seconds, which the bar should not sit out.
constexpr double kReadShare = 0.25;

// What the first block's length words tell before any block is read.
struct FirstBlock {
    std::uint64_t records = 0;  // for sizing the blocks in flight; 0 when it cannot restore
    bool whole = false;         // it is the whole data area
};

FirstBlock LookAtFirstBlock(const FileStream& source, std::uint32_t passportLength,
                            std::uint64_t dataSize) {
    const auto first = StoredBlockAt(source, 0, passportLength, passportLength + dataSize);
    const auto* block = std::get_if<StoredBlock>(&first);
    return block != nullptr ? FirstBlock{block->records, block->length == dataSize} : FirstBlock{};
}

// Reads a block that StoredBlockAt found sound, length words included, as it stands in the file;
// when `progress` listens, in steps of 1% of the block.
void ReadStoredBlock(FileStream& source, const StoredBlock& stored, PipelineBlock& block,
                     const CodecProgress& progress) {
    const auto length = static_cast<std::size_t>(stored.length);
    // Grown, never shrunk: a reused buffer is not cleared again for every block.
    if (block.input.size() < length) {
        ReserveLarge(block.input, length);
        block.input.resize(length);
    }
    source.seek(stored.offset);
    const std::size_t step = progress ? std::max<std::size_t>(length / 100, 1) : length;
    for (std::size_t done = 0; done < length;) {
        const std::size_t part = std::min(step, length - done);
        source.readExact(block.input.data() + done, part);
        done += part;
        if (progress) {
            progress(static_cast<double>(done) / static_cast<double>(length));
        }
    }
    block.stored = length;
}

// Moves past `count` bytes by reading them, so that a hash of what is read sees them too.
void ReadPast(FileStream& source, std::uint64_t count) {
    std::array<std::uint8_t, 65536> chunk{};
    while (count > 0) {
        const std::size_t part =
            static_cast<std::size_t>(std::min<std::uint64_t>(count, chunk.size()));
        source.readExact(chunk.data(), part);
        count -= part;
    }
}

ConvertReport RestoreBlocks(FileStream& source, std::uint32_t passportLength, ConvertOutput* output,
                            const ProgressFn& progress, unsigned threads) {
    return WithIoErrors([&] {
        const std::uint64_t dataSize = DataAreaSize(source, passportLength);
        const SourceWatch watch(source);
        const std::optional<std::string> expected = ReadChecksumFor(source);
        std::optional<HashedReads> hashed;
        if (expected) {
            hashed.emplace(source);
        }
        ConvertReport report;
        report.noData = dataSize == 0;
        // A block in flight holds its stored form (up to 1.5 times its records); its records
        // pass a batch at a time.
        const FirstBlock first = LookAtFirstBlock(source, passportLength, dataSize);
        const Flight flight = PlanFlight(threads, first.records * kRecordSize * 2);
        source.adviseSequential();
        source.seek(0);
        if (output != nullptr) {
            output->stream().copyFrom(source, passportLength);
        } else if (hashed) {
            ReadPast(source, passportLength);
        } else {
            source.seek(passportLength);
        }

        const std::string& path = source.path();
        SharedProgress shared(progress);
        // Where blocks follow one another, reading one overlaps the restoring of the one before,
        // and its progress would run ahead of that.
        const double readShare = progress && first.whole ? kReadShare : 0.0;
        const auto restore = [&path, &shared, readShare](const PipelineBlock& block,
                                                         T1DimByteArr& batch,
                                                         const BatchSink& take) {
            const CodecProgress inBlock =
                shared.forBlock(block.sourceEnd - block.stored, block.stored, readShare, 1.0);
            if (RestoreBlockInBatches(block.input.data(), block.stored, batch, take,
                                      inBlock ? &inBlock : nullptr) < 0) {
                throw DamagedBlockError(path, block.index, BlockDamage::NotRestorable);
            }
        };
        // Written, the records go out batch by batch straight from the writer thread, so they
        // are never held whole and leave from cache; only checked, blocks decode side by side.
        T1DimByteArr writeBatch;
        BlockPipeline pipeline(
            flight.workers, flight.blocks,
            [&](PipelineBlock& block, unsigned) {
                if (output == nullptr) {
                    restore(block, block.output,
                            [](const std::uint8_t*, std::size_t) { return true; });
                }
            },
            [&](const PipelineBlock& block) {
                if (output != nullptr) {
                    restore(block, writeBatch,
                            [output](const std::uint8_t* records, std::size_t bytes) {
                                output->stream().write(records, bytes);
                                return true;
                            });
                }
                ++report.blocks;
                shared(block.sourceEnd);
            });
        const std::uint64_t end = passportLength + dataSize;
        for (std::uint64_t index = 0, at = passportLength; at < end; ++index) {
            const auto found = StoredBlockAt(source, index, at, end);
            if (const auto* damaged = std::get_if<DamagedBlock>(&found)) {
                // A block still being decoded may be damaged too, and it comes first.
                pipeline.finish();
                throw DamagedBlockError(path, *damaged);
            }
            const auto& stored = std::get<StoredBlock>(found);
            PipelineBlock block = pipeline.reusedBlock();
            block.index = index;
            ReadStoredBlock(
                source, stored, block,
                readShare > 0.0 ? shared.forBlock(at, dataSize, 0.0, readShare) : CodecProgress{});
            at += stored.length;
            block.sourceEnd = at;
            pipeline.submit(std::move(block));
        }
        pipeline.finish();

        report.bytesRead = source.position();
        watch.requireUnchanged();
        // Every byte of the file was read, in order: the blocks end where the file ends.
        if (hashed) {
            if (hashed->finishHex() != *expected) {
                throw ChecksumMismatchError(path);
            }
            report.checksumMatched = true;
        }
        if (output != nullptr) {
            report.bytesWritten = output->stream().position();
            output->commit();
        }
        return report;
    });
}

}  // namespace

ConvertReport RestoreFile(FileStream& source, std::uint32_t passportLength,
                          const std::string& targetPath, const ProgressFn& progress,
                          const RunOptions& options) {
    return WithIoErrors([&] {
        ConvertOutput output(targetPath, options, source);
        return RestoreBlocks(source, passportLength, &output, progress, options.threads);
    });
}

ConvertReport TestFile(FileStream& source, std::uint32_t passportLength, const ProgressFn& progress,
                       const RunOptions& options) {
    return RestoreBlocks(source, passportLength, nullptr, progress, options.threads);
}

}  // namespace kvo
