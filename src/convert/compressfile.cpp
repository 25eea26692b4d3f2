#include <algorithm>
#include <cstring>
#include <string>

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

// Runs on a worker: a LeadByte of 128 or more cannot be told from a dictionary code.
void CompressOne(PipelineBlock& block, std::uint64_t firstRecord, const std::string& path,
                 SharedProgress& progress, double readShare) {
    const std::uint64_t records = block.input.size() / kRecordSize;
    const CodecProgress inBlock =
        progress.forBlock(block.sourceEnd - block.input.size(), block.input.size(), readShare, 1.0);
    if (CompressRecords(block.input.data(), records, block.output, inBlock ? &inBlock : nullptr) >=
        0) {
        return;
    }
    // Only a refused block is searched for the record to name.
    const auto uncodable = FindUncodableLeadByte(block.input.data(), records);
    if (uncodable >= 0) {
        const auto record = firstRecord + static_cast<std::uint64_t>(uncodable);
        Refuse("Файл " + path + " нельзя сжать: у записи № " + std::to_string(record + 1) +
               " первый байт равен " +
               std::to_string(block.input[static_cast<std::size_t>(uncodable) * kRecordSize]) +
               ", а допустимы только 0..127");
    }
    Refuse("Блок " + std::to_string(block.index + 1) + " файла " + path + " сжать нельзя");
}

// Reads a block, in 1% steps told to `progress` when it listens.
void ReadBlock(FileStream& source, T1DimByteArr& block, const CodecProgress& progress) {
    const std::size_t step = progress ? std::max<std::size_t>(block.size() / 100, 1) : block.size();
    for (std::size_t done = 0; done < block.size();) {
        const std::size_t part = std::min(step, block.size() - done);
        source.readExact(block.data() + done, part);
        done += part;
        if (progress) {
            progress(static_cast<double>(done) / static_cast<double>(block.size()));
        }
    }
}

// Runs on the writer, beside the workers coding later blocks.
void CheckOne(PipelineBlock& block, const std::string& path) {
    if (!DecodesBackTo(block.input.data(), block.input.size(), block.output, block.check)) {
        throw ConvertError(ConvertError::Kind::Verification,
                           "Проверка не пройдена: блок " + std::to_string(block.index + 1) +
                               " файла " + path +
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
        ConvertOutput output(targetPath, options, source);
        source.seek(0);
        output.stream().copyFrom(source, passportLength);

        const std::uint64_t blockRecords = plan.blockSize / kRecordSize;
        // More workers than blocks would only wait. A block in flight holds its records and the
        // coded block (up to 1.5 times as long); the check needs only a batch.
        const unsigned threads =
            options.verify ? CodersBesideChecking(options.threads) : options.threads;
        const Flight flight =
            PlanFlight(static_cast<unsigned>(std::min<std::uint64_t>(threads, plan.blockCount())),
                       std::max(plan.blockSize, plan.lastBlockSize) * 3);
        source.adviseSequential();
        SharedProgress shared(progress);
        const std::uint64_t count = report.noData ? 0 : plan.blockCount();
        // A run of one block would show nothing while that block is read, which from a slow disk
        // takes seconds: the reading then makes the first quarter of the block's progress.
        const double readShare = count == 1 ? 0.25 : 0.0;
        BlockPipeline pipeline(
            flight.workers, flight.blocks,
            [&](PipelineBlock& block) {
                CompressOne(block, block.index * blockRecords, source.path(), shared, readShare);
            },
            [&](PipelineBlock& block) {
                if (options.verify) {
                    CheckOne(block, source.path());
                }
                output.stream().write(block.output.data(), block.output.size());
                ++report.blocks;
                shared(block.sourceEnd);
            });
        for (std::uint64_t index = 0; index < count; ++index) {
            PipelineBlock block = pipeline.reusedBlock();
            block.index = index;
            const auto bytes = static_cast<std::size_t>(
                index < plan.fullBlocks ? plan.blockSize : plan.lastBlockSize);
            ReserveLarge(block.input, bytes);
            ReserveLarge(block.output, LargestCodedBlock(bytes / kRecordSize));
            block.input.resize(bytes);
            ReadBlock(source, block.input,
                      readShare > 0.0 ? shared.forBlock(source.position(), bytes, 0.0, readShare)
                                      : CodecProgress{});
            block.sourceEnd = source.position();
            pipeline.submit(std::move(block));
        }
        pipeline.finish();

        report.bytesRead = source.position();
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
