#include <string>

#include "codec/block_format.h"
#include "codec/kvoarchiver.h"
#include "convert/blockpipeline.h"
#include "convert/convertfile.h"
#include "convert/dataarea.h"
#include "convert/ioerrors.h"

namespace kvo {
namespace {

using codec::kLengthFieldSize;

// Reads one stored block as it stands in the file: four length words, each followed by its
// section. The buffer grows only by lengths that the rest of the data area can hold, so a damaged
// length word never makes it larger than the file.
void ReadStoredBlock(FileStream& source, std::uint64_t available, PipelineBlock& block) {
    std::size_t offset = 0;
    for (std::size_t section = 0; section < codec::kSectionCount; ++section) {
        if (available - offset < kLengthFieldSize) {
            throw DamagedBlockError(source.path(), block.index, BlockDamage::CutShort);
        }
        block.bytes.resize(offset + kLengthFieldSize);
        source.readExact(block.bytes.data() + offset, kLengthFieldSize);
        const std::uint32_t length = codec::readU32(block.bytes.data() + offset);
        offset += kLengthFieldSize;
        if (available - offset < length) {
            throw DamagedBlockError(source.path(), block.index, BlockDamage::CutShort);
        }
        block.bytes.resize(offset + length);
        source.readExact(block.bytes.data() + offset, length);
        offset += length;
    }
}

ConvertReport RestoreBlocks(FileStream& source, std::uint32_t passportLength,
                            SafeOutputFile* output, const ProgressFn& progress, unsigned threads) {
    return WithIoErrors([&] {
        const std::uint64_t dataSize = DataAreaSize(source, passportLength);
        ConvertReport report;
        report.noData = dataSize == 0;
        source.seek(0);
        if (output != nullptr) {
            output->stream().copyFrom(source, passportLength);
        } else {
            source.seek(passportLength);
        }

        const std::string& path = source.path();
        BlockPipeline pipeline(
            threads,
            [&path](PipelineBlock& block) {
                const std::int32_t length = RestoreBlock(block.bytes);
                if (length < 0) {
                    throw DamagedBlockError(path, block.index, BlockDamage::NotRestorable);
                }
                block.resultLength = static_cast<std::size_t>(length);
            },
            [&](const PipelineBlock& block) {
                if (output != nullptr) {
                    output->stream().write(block.bytes.data(), block.resultLength);
                }
                ++report.blocks;
                if (progress) {
                    progress(block.sourceEnd);
                }
            });
        std::uint64_t consumed = 0;
        for (std::uint64_t index = 0; consumed < dataSize; ++index) {
            PipelineBlock block;
            block.index = index;
            block.bytes = pipeline.reusedBuffer();
            try {
                ReadStoredBlock(source, dataSize - consumed, block);
            } catch (const ConvertError&) {
                // A block still being decoded may be damaged too, and it comes first.
                pipeline.finish();
                throw;
            }
            consumed += block.bytes.size();
            block.sourceEnd = source.position();
            pipeline.submit(std::move(block));
        }
        pipeline.finish();

        report.bytesRead = source.position();
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
                          unsigned threads) {
    return WithIoErrors([&] {
        SafeOutputFile output(targetPath);
        return RestoreBlocks(source, passportLength, &output, progress, threads);
    });
}

ConvertReport TestFile(FileStream& source, std::uint32_t passportLength, const ProgressFn& progress,
                       unsigned threads) {
    return RestoreBlocks(source, passportLength, nullptr, progress, threads);
}

}  // namespace kvo
