#include <algorithm>
#include <string>
#include <vector>

#include "codec/block_encoder.h"
#include "codec/kvoarchiver.h"
#include "convert/blockpipeline.h"
#include "convert/convertfile.h"
#include "convert/convertoutput.h"
#include "convert/dataarea.h"
#include "convert/ioerrors.h"
#include "convert/memorybudget.h"
#include "convert/sharedprogress.h"
#include "convert/sourcewatch.h"
#include "convert/verify.h"
#include "model/fileformat.h"
#include "platform/largebuffer.h"
#include "platform/russiancount.h"

namespace kvo {
namespace {

[[noreturn]] void Refuse(const std::string& message) {
    throw ConvertError(ConvertError::Kind::Refused, message);
}

void CheckBlockSize(std::uint64_t size) {
    const std::string text = "Размер блока " + CountOf(size, kByteForms) + " ";
    if (size % kRecordSize != 0) {
        Refuse(text + "не кратен размеру записи (6 байт)");
    }
    if (size < kMinBlockSize) {
        Refuse(text + "слишком мал: в сжатом блоке должно быть не меньше 12 записей (72 байта)");
    }
    if (size > kMaxBlockSize) {
        Refuse(text + "больше допустимого (" + CountOf(kMaxBlockSize, kByteForms) + ")");
    }
}

// A compressed file is found again only through the passport's length field.
void CheckPassport(std::uint32_t passportLength, const std::string& path) {
    if (passportLength < kPassportLengthOffset + 4) {
        Refuse("Файл " + path + " нельзя сжать: длина паспорта " +
               CountOf(passportLength, kByteForms) +
               " меньше 10 байт, и сжатый файл нельзя было бы прочитать");
    }
}

// Everything that can be refused without reading the records.
void CheckPlan(const BlockPlan& plan, std::uint64_t dataSize, const std::string& path) {
    if (dataSize < kRecordSize) {
        Refuse("Файл " + path +
               " не содержит ни одной целой записи: " + CountOf(dataSize, kByteForms) + " данных");
    }
    if (plan.fullBlocks != 0 || plan.lastBlockSize == 0) {
        CheckBlockSize(plan.blockSize);
    }
    if (plan.lastBlockSize != 0) {
        CheckBlockSize(plan.lastBlockSize);
    }
    if (plan.blockCount() == 0) {
        Refuse("Размер блока " + CountOf(plan.blockSize, kByteForms) + " больше данных файла " +
               path + " (" + CountOf(dataSize, kByteForms) + ")");
    }
    const bool fits = plan.lastBlockSize <= dataSize &&
                      (plan.fullBlocks == 0 ||
                       plan.fullBlocks <= (dataSize - plan.lastBlockSize) / plan.blockSize);
    if (!fits) {
        Refuse("Блоки (" + std::to_string(plan.blockCount()) + ") не помещаются в данных файла " +
               path + " (" + CountOf(dataSize, kByteForms) + ")");
    }
}

// Records read at a time: a stretch passes through the cache once on its way into the block.
constexpr std::size_t kReadRecords = 65536;

// What a coding thread keeps from block to block: the encoder's memory and room for a stretch.
struct Coder {
    BlockEncoder encoder;
    T1DimByteArr stretch;
};

// The stretches of records a block is read in: small enough for the progress of a single large
// block to move at least every 1%, large enough to keep the reads few.
std::size_t StretchRecords(std::size_t records) {
    return std::clamp<std::size_t>(records / 128, std::min<std::size_t>(records, 8192),
                                   kReadRecords);
}

// Reads the records of `block` from the source a stretch at a time, handing each to `take`.
template <typename Take>
void ReadStretches(const FileStream& source, const PipelineBlock& block, T1DimByteArr& stretch,
                   Take take) {
    const std::size_t records = block.sourceBytes / kRecordSize;
    const std::size_t most = StretchRecords(records);
    stretch.resize(most * kRecordSize);
    const std::uint64_t start = block.sourceEnd - block.sourceBytes;
    for (std::size_t done = 0; done < records;) {
        const std::size_t count = std::min(most, records - done);
        source.readExactAt(start + done * kRecordSize, stretch.data(), count * kRecordSize);
        take(stretch.data(), done, count);
        done += count;
    }
}

// Only a refused block is searched for the record to name: a LeadByte of 128 or more cannot be
// told from a dictionary code.
[[noreturn]] void RefuseBlock(const FileStream& source, const PipelineBlock& block, Coder& coder,
                              std::uint64_t firstRecord) {
    ReadStretches(source, block, coder.stretch,
                  [&](const std::uint8_t* records, std::size_t done, std::size_t count) {
                      const auto uncodable = FindUncodableLeadByte(records, count);
                      if (uncodable < 0) {
                          return;
                      }
                      const auto at = static_cast<std::size_t>(uncodable);
                      Refuse("Файл " + source.path() + " нельзя сжать: у записи № " +
                             std::to_string(firstRecord + done + at + 1) + " первый байт равен " +
                             std::to_string(records[at * kRecordSize]) +
                             ", а допустимы только 0..127");
                  });
    Refuse("Блок " + std::to_string(block.index + 1) + " файла " + source.path() + " сжать нельзя");
}

// The share of a block's progress its checking makes when the run is that one block: the check
// cannot overlap the coding of a next block then, and takes about as long as the coding.
constexpr double kCheckShare = 0.4;

// Runs on a worker: reads the block's records in stretches straight into the encoder, so they
// are never held whole. Its progress covers the block's shares up to `share`.
void CompressOne(const FileStream& source, PipelineBlock& block, Coder& coder,
                 std::uint64_t firstRecord, SharedProgress& progress, double share) {
    const std::size_t records = block.sourceBytes / kRecordSize;
    const CodecProgress inBlock =
        progress.forBlock(block.sourceEnd - block.sourceBytes, block.sourceBytes, 0.0, share);
    coder.encoder.start(records, block.output, false, inBlock ? &inBlock : nullptr);
    ReadStretches(source, block, coder.stretch,
                  [&](const std::uint8_t* stretch, std::size_t, std::size_t count) {
                      coder.encoder.add(stretch, count);
                  });
    // A coded block tells its share's end, before later blocks' workers report from inside them.
    const std::int32_t length = coder.encoder.finish();
    if (length < 0) {
        RefuseBlock(source, block, coder, firstRecord);
    }
    block.output.resize(static_cast<std::size_t>(length));
}

// Runs on the writer, beside the workers coding later blocks: the block's records are read
// again, a batch at a time, and compared with what the coded block restores to.
void CheckOne(const FileStream& source, const PipelineBlock& block, T1DimByteArr& original,
              T1DimByteArr& restored, const SourceWatch& watch, const CodecProgress& progress) {
    const std::uint64_t start = block.sourceEnd - block.sourceBytes;
    const OriginalRecords read = [&](std::size_t offset, std::size_t count) {
        original.resize(std::max(original.size(), count));
        source.readExactAt(start + offset, original.data(), count);
        return original.data();
    };
    if (!DecodesBackTo(read, block.sourceBytes, block.output, restored,
                       progress ? &progress : nullptr)) {
        // Records read again from a source that changed since would differ too: that is its
        // own failure.
        watch.requireUnchanged();
        throw ConvertError(ConvertError::Kind::Verification,
                           "Проверка не пройдена: блок " + std::to_string(block.index + 1) +
                               " файла " + source.path() +
                               " после сжатия не восстанавливается в исходные записи; результат "
                               "не записан",
                           block.index);
    }
}

}  // namespace

ConvertReport CompressFile(FileStream& source, std::uint32_t passportLength, const BlockPlan& plan,
                           const std::string& targetPath, const ProgressFn& progress,
                           const RunOptions& options) {
    return WithIoErrors([&] {
        CheckPassport(passportLength, source.path());
        const std::uint64_t dataSize = DataAreaSize(source, passportLength);
        ConvertReport report;
        report.noData = dataSize == 0;
        if (!report.noData) {
            CheckPlan(plan, dataSize, source.path());
        }
        const SourceWatch watch(source);
        ConvertOutput output(targetPath, options, source, ChecksumBeside::KeepCurrent);
        source.seek(0);
        output.stream().copyFrom(source, passportLength);

        const std::uint64_t blockRecords = plan.blockSize / kRecordSize;
        // More workers than blocks would only wait. A block in flight holds its coded form (up
        // to 1.5 times its records); a worker's encoder holds up to 1.2 times the records of a
        // block in LeadBytes and run pairs. Records pass a stretch at a time.
        const unsigned threads =
            options.verify ? CodersBesideChecking(options.threads) : options.threads;
        const Flight flight =
            PlanFlight(static_cast<unsigned>(std::min<std::uint64_t>(threads, plan.blockCount())),
                       std::max(plan.blockSize, plan.lastBlockSize) * 3, BlockReading::ByCoders);
        source.adviseSequential();
        SharedProgress shared(progress);
        const std::uint64_t count = report.noData ? 0 : plan.blockCount();
        const double checkShare = options.verify && count == 1 ? kCheckShare : 0.0;
        std::vector<Coder> coders(flight.workers);
        T1DimByteArr original;
        T1DimByteArr restored;
        BlockPipeline pipeline(
            flight.workers, flight.blocks,
            [&](PipelineBlock& block, unsigned worker) {
                CompressOne(source, block, coders[worker], block.index * blockRecords, shared,
                            1.0 - checkShare);
            },
            [&](PipelineBlock& block) {
                if (options.verify) {
                    const std::uint64_t start = block.sourceEnd - block.sourceBytes;
                    CheckOne(source, block, original, restored, watch,
                             checkShare > 0.0
                                 ? shared.forBlock(start, block.sourceBytes, 1.0 - checkShare, 1.0)
                                 : CodecProgress{});
                }
                output.stream().write(block.output.data(), block.output.size());
                ++report.blocks;
                shared(block.sourceEnd);
            });
        std::uint64_t position = passportLength;
        for (std::uint64_t index = 0; index < count; ++index) {
            PipelineBlock block = pipeline.reusedBlock();
            block.index = index;
            block.sourceBytes = static_cast<std::size_t>(
                index < plan.fullBlocks ? plan.blockSize : plan.lastBlockSize);
            position += block.sourceBytes;
            block.sourceEnd = position;
            ReserveLarge(block.output, LargestCodedBlock(block.sourceBytes / kRecordSize));
            pipeline.submit(std::move(block));
        }
        pipeline.finish();

        report.bytesRead = position;
        report.bytesWritten = output.stream().position();
        const std::uint64_t covered = report.noData ? 0 : plan.coveredBytes();
        report.droppedBytes = dataSize - covered;
        if (options.verify && output.readable()) {
            RequireWalksTo(output.stream(), passportLength, report.blocks, covered / kRecordSize,
                           targetPath);
        }
        watch.requireUnchanged();
        report.sha256 = output.commit();
        return report;
    });
}

}  // namespace kvo
