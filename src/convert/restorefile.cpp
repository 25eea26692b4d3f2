#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "codec/block_format.h"
#include "codec/kvoarchiver.h"
#include "convert/blockpipeline.h"
#include "convert/convertfile.h"
#include "convert/convertoutput.h"
#include "convert/dataarea.h"
#include "convert/ioerrors.h"
#include "convert/memorybudget.h"
#include "convert/sharedprogress.h"
#include "convert/sourcewatch.h"
#include "model/fileformat.h"
#include "platform/largebuffer.h"

namespace kvo {
namespace {

using codec::kLengthFieldSize;

// The share of a block's progress its reading makes when the run is that one block: reading a
// large stored block from a slow disk takes seconds, which the bar should not sit out.
constexpr double kReadShare = 0.25;

// What the first block's four length words tell before any block is read.
struct FirstBlock {
    std::uint64_t records = 0;  // for sizing the blocks in flight; 0 when too short to say
    bool whole = false;         // it is the whole data area
};

FirstBlock LookAtFirstBlock(const FileStream& source, std::uint32_t passportLength,
                            std::uint64_t dataSize) {
    std::array<std::uint8_t, kLengthFieldSize> word{};
    FirstBlock first;
    std::uint64_t offset = 0;
    for (std::size_t section = 0; section < codec::kSectionCount; ++section) {
        if (dataSize - offset < word.size()) {
            return first;
        }
        source.readExactAt(passportLength + offset, word.data(), word.size());
        const std::uint32_t length = codec::readU32(word.data());
        if (section == 0) {
            first.records =
                std::min<std::uint64_t>(length / codec::kFirstWordSize, codec::kMostRecords);
        }
        offset += word.size() + length;
        if (offset > dataSize) {
            return first;
        }
    }
    first.whole = offset == dataSize;
    return first;
}

// Reads `length` bytes of a stored block, of which `before` were read already; when `progress`
// listens, in steps of 1% of the `whole` block.
void ReadPart(FileStream& source, std::uint8_t* into, std::size_t length, std::size_t before,
              std::uint64_t whole, const CodecProgress& progress) {
    const std::size_t step =
        progress ? static_cast<std::size_t>(std::max<std::uint64_t>(whole / 100, 1)) : length;
    for (std::size_t done = 0; done < length;) {
        const std::size_t part = std::min(step, length - done);
        source.readExact(into + done, part);
        done += part;
        if (progress) {
            progress(static_cast<double>(before + done) / static_cast<double>(whole));
        }
    }
}

// Reads one stored block as it stands in the file: four length words, each followed by its
// section. A length that no restorable block can have, or that runs past the data area, is
// refused before anything is allocated for it, so a damaged length word never costs memory.
void ReadStoredBlock(FileStream& source, std::uint64_t available, PipelineBlock& block,
                     const CodecProgress& reading) {
    std::array<std::uint8_t, kLengthFieldSize> word{};
    std::uint64_t records = 0;
    std::size_t offset = 0;
    for (std::size_t section = 0; section < codec::kSectionCount; ++section) {
        if (available - offset < kLengthFieldSize) {
            throw DamagedBlockError(source.path(), block.index, BlockDamage::CutShort);
        }
        source.readExact(word.data(), word.size());
        const std::uint32_t length = codec::readU32(word.data());
        if (section == 0) {
            records = length / codec::kFirstWordSize;
            if (length % codec::kFirstWordSize != 0 || records < codec::kMinRecords ||
                records > codec::kMostRecords) {
                throw DamagedBlockError(source.path(), block.index,
                                        "не восстанавливается: длина первого раздела " +
                                            std::to_string(length) + " байт невозможна");
            }
            // Once, so the sections that follow never move the buffer.
            ReserveLarge(block.input,
                         static_cast<std::size_t>(std::min<std::uint64_t>(
                             available, LargestCodedBlock(static_cast<std::size_t>(records)))));
        }
        if (length > codec::largestWrittenSection(section, records)) {
            throw DamagedBlockError(source.path(), block.index,
                                    "не восстанавливается: раздел " + std::to_string(section + 1) +
                                        " длиннее, " + "чем нужно для " + std::to_string(records) +
                                        " записей");
        }
        offset += kLengthFieldSize;
        if (available - offset < length) {
            throw DamagedBlockError(source.path(), block.index, BlockDamage::CutShort);
        }
        // Grown, never shrunk: a reused buffer is not cleared again for every block.
        if (block.input.size() < offset + length) {
            block.input.resize(offset + length);
        }
        std::memcpy(block.input.data() + offset - kLengthFieldSize, word.data(), word.size());
        ReadPart(source, block.input.data() + offset, length, offset, available, reading);
        offset += length;
    }
    block.stored = offset;
}

ConvertReport RestoreBlocks(FileStream& source, std::uint32_t passportLength, ConvertOutput* output,
                            const ProgressFn& progress, unsigned threads) {
    return WithIoErrors([&] {
        const std::uint64_t dataSize = DataAreaSize(source, passportLength);
        const SourceWatch watch(source);
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
        std::uint64_t consumed = 0;
        for (std::uint64_t index = 0; consumed < dataSize; ++index) {
            PipelineBlock block = pipeline.reusedBlock();
            block.index = index;
            try {
                ReadStoredBlock(source, dataSize - consumed, block,
                                readShare > 0.0
                                    ? shared.forBlock(source.position(), dataSize, 0.0, readShare)
                                    : CodecProgress{});
            } catch (const ConvertError&) {
                // A block still being decoded may be damaged too, and it comes first.
                pipeline.finish();
                throw;
            }
            consumed += block.stored;
            block.sourceEnd = source.position();
            pipeline.submit(std::move(block));
        }
        pipeline.finish();

        report.bytesRead = source.position();
        watch.requireUnchanged();
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
