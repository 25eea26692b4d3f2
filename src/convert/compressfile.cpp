#include <algorithm>
#include <string>

#include "codec/kvoarchiver.h"
#include "convert/blockpipeline.h"
#include "convert/convertfile.h"
#include "convert/dataarea.h"
#include "convert/ioerrors.h"
#include "model/fileformat.h"

namespace kvo {
namespace {

[[noreturn]] void Refuse(const std::string& message) {
    throw ConvertError(ConvertError::Kind::Refused, message);
}

void CheckBlockSize(std::uint64_t size) {
    const std::string text = "Размер блока " + std::to_string(size) + " байт ";
    if (size % kRecordSize != 0) {
        Refuse(text + "не кратен размеру записи (6 байт)");
    }
    if (size < kMinBlockSize) {
        Refuse(text + "слишком мал: в сжатом блоке должно быть не меньше 12 записей (72 байт)");
    }
    if (size > kMaxBlockSize) {
        Refuse(text + "больше допустимого (" + std::to_string(kMaxBlockSize) + " байт)");
    }
}

// Everything that can be refused without reading the records.
void CheckPlan(const BlockPlan& plan, std::uint64_t dataSize, const std::string& path) {
    if (dataSize < kRecordSize) {
        Refuse("Файл " + path + " не содержит ни одной целой записи: " + std::to_string(dataSize) +
               " байт данных");
    }
    if (plan.fullBlocks != 0 || plan.lastBlockSize == 0) {
        CheckBlockSize(plan.blockSize);
    }
    if (plan.lastBlockSize != 0) {
        CheckBlockSize(plan.lastBlockSize);
    }
    if (plan.blockCount() == 0) {
        Refuse("Размер блока " + std::to_string(plan.blockSize) + " байт больше данных файла " +
               path + " (" + std::to_string(dataSize) + " байт)");
    }
    const bool fits = plan.lastBlockSize <= dataSize &&
                      (plan.fullBlocks == 0 ||
                       plan.fullBlocks <= (dataSize - plan.lastBlockSize) / plan.blockSize);
    if (!fits) {
        Refuse("Блоки (" + std::to_string(plan.blockCount()) + ") не помещаются в данных файла " +
               path + " (" + std::to_string(dataSize) + " байт)");
    }
}

// Runs on a worker: a LeadByte of 128 or more cannot be told from a dictionary code.
void CompressOne(PipelineBlock& block, std::uint64_t firstRecord, const std::string& path) {
    const std::uint64_t records = block.bytes.size() / kRecordSize;
    const auto uncodable = FindUncodableLeadByte(block.bytes.data(), records);
    if (uncodable >= 0) {
        const auto record = firstRecord + static_cast<std::uint64_t>(uncodable);
        Refuse("Файл " + path + " нельзя сжать: у записи № " + std::to_string(record + 1) +
               " первый байт равен " +
               std::to_string(block.bytes[static_cast<std::size_t>(uncodable) * kRecordSize]) +
               ", а допустимы только 0..127");
    }
    const std::int32_t length = CompressBlock(block.bytes, 0);
    if (length < 0) {
        Refuse("Блок " + std::to_string(block.index + 1) + " файла " + path + " сжать нельзя");
    }
    block.resultLength = static_cast<std::size_t>(length);
}

}  // namespace

ConvertReport CompressFile(FileStream& source, std::uint32_t passportLength, const BlockPlan& plan,
                           const std::string& targetPath, const ProgressFn& progress,
                           unsigned threads) {
    return WithIoErrors([&] {
        const std::uint64_t dataSize = DataAreaSize(source, passportLength);
        ConvertReport report;
        report.noData = dataSize == 0;
        if (!report.noData) {
            CheckPlan(plan, dataSize, source.path());
        }
        SafeOutputFile output(targetPath);
        source.seek(0);
        output.stream().copyFrom(source, passportLength);

        const std::uint64_t blockRecords = plan.blockSize / kRecordSize;
        // More workers than blocks would only wait.
        BlockPipeline pipeline(
            static_cast<unsigned>(std::min<std::uint64_t>(threads, plan.blockCount())),
            [&](PipelineBlock& block) {
                CompressOne(block, block.index * blockRecords, source.path());
            },
            [&](const PipelineBlock& block) {
                output.stream().write(block.bytes.data(), block.resultLength);
                ++report.blocks;
                if (progress) {
                    progress(block.sourceEnd);
                }
            });
        const std::uint64_t count = report.noData ? 0 : plan.blockCount();
        for (std::uint64_t index = 0; index < count; ++index) {
            PipelineBlock block;
            block.index = index;
            block.bytes = pipeline.reusedBuffer();
            block.bytes.resize(static_cast<std::size_t>(
                index < plan.fullBlocks ? plan.blockSize : plan.lastBlockSize));
            source.readExact(block.bytes.data(), block.bytes.size());
            block.sourceEnd = source.position();
            pipeline.submit(std::move(block));
        }
        pipeline.finish();

        report.bytesRead = source.position();
        report.bytesWritten = output.stream().position();
        report.droppedBytes = dataSize - (report.noData ? 0 : plan.coveredBytes());
        output.commit();
        return report;
    });
}

}  // namespace kvo
