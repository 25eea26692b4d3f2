#include <string>

#include "codec/block_format.h"
#include "codec/kvoarchiver.h"
#include "convert/blockpipeline.h"
#include "convert/convertfile.h"
#include "convert/convertoutput.h"
#include "convert/dataarea.h"
#include "convert/ioerrors.h"
#include "convert/sourcewatch.h"

namespace kvo {
namespace {

using codec::kLengthFieldSize;

[[noreturn]] void Damaged(const std::string& path, std::uint64_t index, const std::string& why) {
    throw ConvertError(ConvertError::Kind::Damaged,
                       "Файл " + path + " поврежден: блок " + std::to_string(index + 1) + " " + why,
                       index);
}

// Reads one stored block as it stands in the file: four length words, each followed by its
// section. The buffer grows only by lengths that the rest of the data area can hold, so a damaged
// length word never makes it larger than the file.
void ReadStoredBlock(FileStream& source, std::uint64_t available, PipelineBlock& block) {
    std::size_t offset = 0;
    for (std::size_t section = 0; section < codec::kSectionCount; ++section) {
        if (available - offset < kLengthFieldSize) {
            Damaged(source.path(), block.index, "обрывается в конце файла");
        }
        block.input.resize(offset + kLengthFieldSize);
        source.readExact(block.input.data() + offset, kLengthFieldSize);
        const std::uint32_t length = codec::readU32(block.input.data() + offset);
        offset += kLengthFieldSize;
        if (available - offset < length) {
            Damaged(source.path(), block.index, "обрывается в конце файла");
        }
        block.input.resize(offset + length);
        source.readExact(block.input.data() + offset, length);
        offset += length;
    }
}

ConvertReport RestoreBlocks(FileStream& source, std::uint32_t passportLength, ConvertOutput* output,
                            const ProgressFn& progress, unsigned threads) {
    return WithIoErrors([&] {
        const std::uint64_t dataSize = DataAreaSize(source, passportLength);
        const SourceWatch watch(source);
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
                if (RestoreBlockInto(block.input.data(), block.input.size(), block.output) < 0) {
                    Damaged(path, block.index, "не восстанавливается (распаковка не состоялась)");
                }
            },
            [&](const PipelineBlock& block) {
                if (output != nullptr) {
                    output->stream().write(block.output.data(), block.output.size());
                }
                ++report.blocks;
                if (progress) {
                    progress(block.sourceEnd);
                }
            });
        std::uint64_t consumed = 0;
        for (std::uint64_t index = 0; consumed < dataSize; ++index) {
            PipelineBlock block = pipeline.reusedBlock();
            block.index = index;
            try {
                ReadStoredBlock(source, dataSize - consumed, block);
            } catch (const ConvertError&) {
                // A block still being decoded may be damaged too, and it comes first.
                pipeline.finish();
                throw;
            }
            consumed += block.input.size();
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
        ConvertOutput output(targetPath, options);
        return RestoreBlocks(source, passportLength, &output, progress, options.threads);
    });
}

ConvertReport TestFile(FileStream& source, std::uint32_t passportLength, const ProgressFn& progress,
                       const RunOptions& options) {
    return RestoreBlocks(source, passportLength, nullptr, progress, options.threads);
}

}  // namespace kvo
