#include "reader/recording.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>
#include <thread>
#include <utility>

#include "codec/kvoarchiver.h"
#include "convert/converterror.h"
#include "convert/dataarea.h"
#include "convert/ioerrors.h"
#include "convert/storedblocks.h"
#include "model/fileformat.h"
#include "platform/largebuffer.h"

namespace kvo::reader {
namespace {

std::size_t byteCount(std::uint64_t records) {
    return static_cast<std::size_t>(records * kRecordSize);
}

}  // namespace

Recording Recording::Open(const std::string& path, std::optional<FileKind> kind) {
    const auto chosen = kind ? kind : fileKindOf(path);
    if (!chosen) {
        throw ConvertError(ConvertError::Kind::Refused,
                           "Файл " + path + ": расширение не .kvo и не .kvox, вид файла не указан");
    }
    return WithIoErrors([&] { return Recording(FileStream::OpenRead(path), *chosen); });
}

Recording::Recording(FileStream source, FileKind kind) : fSource(std::move(source)), fKind(kind) {
    fPassportLength = ReadPassportLength(fSource);
    fPassport = readPassport(fSource, fPassportLength);
    const std::uint64_t dataSize = DataAreaSize(fSource, fPassportLength);
    if (kind == FileKind::Compressed) {
        fIndex = BlockIndex::OfCompressed(fSource, fPassportLength);
    } else {
        fIndex = BlockIndex::OfRecording(fPassportLength, dataSize);
        fPartialRecordBytes = dataSize % kRecordSize;
    }
    for (const BlockEntry& entry : blocks()) {
        fLargestStored = std::max(fLargestStored, static_cast<std::size_t>(entry.storedLength));
    }
}

void Recording::refuseBeyondEnd(std::uint64_t firstRecord, std::uint64_t count) {
    if (const auto& damaged = damagedBlock()) {
        if (firstRecord < recordCount()) {
            visitFrom(fIndex.blockOf(firstRecord), [](const BlockEntry&, const std::uint8_t*) {});
        }
        throw DamagedBlockError(path(), *damaged);
    }
    throw std::out_of_range("Записи с " + std::to_string(firstRecord) + " по " +
                            std::to_string(firstRecord + count) + " (не включая) вне файла " +
                            path() + ": в нём " + std::to_string(recordCount()) + " записей");
}

void Recording::readStored(const BlockEntry& entry, T1DimByteArr& into) {
    const auto bytes = static_cast<std::size_t>(entry.storedLength);
    if (into.capacity() < bytes) {
        // Room for the largest block at once, faulted in per 2 MiB, and nothing old moved.
        into.clear();
        ReserveLarge(into, std::max(bytes, fLargestStored));
    }
    into.resize(bytes);
    fSource.seek(entry.offset);
    fSource.readExact(into.data(), into.size());
}

void Recording::decodeInto(std::size_t block, const T1DimByteArr& stored, std::uint8_t* out) const {
    const std::size_t bytes = byteCount(blocks()[block].records);
    if (RestoreBlockTo(stored.data(), stored.size(), out, bytes) !=
        static_cast<std::int64_t>(bytes)) {
        throw DamagedBlockError(path(), block, BlockDamage::NotRestorable);
    }
}

const std::uint8_t* Recording::partlyRestored(std::size_t block, std::uint64_t records) {
    const BlockEntry& entry = blocks()[block];
    if (!fPartial.holds(block)) {
        fPartial.forget();  // a failed read leaves part of the block behind
        readStored(entry, fPartial.stored());
        ++fBlocksDecoded;
        if (!fPartial.start(block, entry.records)) {
            throw DamagedBlockError(path(), block, BlockDamage::NotRestorable);
        }
    }
    const std::uint64_t before = fPartial.restored();
    if (!fPartial.restoreUpTo(records)) {
        throw DamagedBlockError(path(), block, BlockDamage::NotRestorable);
    }
    fRecordsDecoded += fPartial.restored() - before;
    return fPartial.records();
}

unsigned Recording::threadsFor(std::size_t blocks) const {
    const unsigned cores =
        fThreads != 0 ? fThreads : std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::min<std::size_t>(cores, blocks));
}

void Recording::decodeBlocks(const std::vector<std::size_t>& wanted,
                             const BlockPipeline::Work& decode,
                             const std::function<void(const PipelineBlock&)>& decoded) {
    const unsigned threads = threadsFor(wanted.size());
    BlockPipeline pipeline(threads, threads + 2, decode, [&](const PipelineBlock& block) {
        ++fBlocksDecoded;
        fRecordsDecoded += blocks()[static_cast<std::size_t>(block.index)].records;
        decoded(block);
    });
    for (const std::size_t index : wanted) {
        PipelineBlock block = pipeline.reusedBlock();
        block.index = index;
        readStored(blocks()[index], block.input);
        pipeline.submit(std::move(block));
    }
    pipeline.finish();
}

void Recording::read(std::uint64_t firstRecord, std::uint64_t count, std::uint8_t* out,
                     const ReadProgress& progress) {
    if (firstRecord > recordCount() || count > recordCount() - firstRecord) {
        refuseBeyondEnd(firstRecord, count);
    }
    if (count == 0) {
        return;
    }
    const std::uint64_t end = firstRecord + count;
    // Copies the part of the block's records that the read wants from `records` into out.
    std::uint64_t delivered = 0;
    const auto deliver = [&](std::size_t block, const std::uint8_t* records) {
        const BlockEntry& entry = blocks()[block];
        const std::uint64_t from = std::max(firstRecord, entry.firstRecord);
        const std::uint64_t to = std::min(end, entry.firstRecord + entry.records);
        if (records != nullptr) {
            std::copy_n(records + byteCount(from - entry.firstRecord), byteCount(to - from),
                        out + byteCount(from - firstRecord));
        }
        delivered += to - from;
        if (progress) {
            progress(delivered, count);
        }
    };
    WithIoErrors([&] {
        const std::size_t first = fIndex.blockOf(firstRecord);
        const std::size_t last = fIndex.blockOf(end - 1);
        if (fKind == FileKind::Recording) {
            fSource.seek(fPassportLength + firstRecord * kRecordSize);
            fSource.readExact(out, byteCount(count));
            for (std::size_t block = first; block <= last; ++block) {
                deliver(block, nullptr);
            }
            return;
        }
        // Blocks the read wants whole are decoded straight into their place in out; the ones at
        // its edges are restored only up to the read's end and kept, so that a read going on from
        // there restores nothing twice.
        std::vector<std::size_t> whole;
        std::vector<std::size_t> partial;
        for (std::size_t block = first; block <= last; ++block) {
            const BlockEntry& entry = blocks()[block];
            const bool inside =
                entry.firstRecord >= firstRecord && entry.firstRecord + entry.records <= end;
            (inside && !fPartial.holds(block) ? whole : partial).push_back(block);
        }
        decodeBlocks(
            whole,
            [&](PipelineBlock& block, unsigned) {
                const auto index = static_cast<std::size_t>(block.index);
                decodeInto(index, block.input,
                           out + byteCount(blocks()[index].firstRecord - firstRecord));
            },
            [&](const PipelineBlock& block) {
                deliver(static_cast<std::size_t>(block.index), nullptr);
            });
        for (const std::size_t block : partial) {
            const BlockEntry& entry = blocks()[block];
            deliver(block, partlyRestored(block, std::min(end, entry.firstRecord + entry.records) -
                                                     entry.firstRecord));
        }
    });
}

void Recording::visitFrom(std::size_t first, const BlockVisitor& visit) {
    WithIoErrors([&] {
        if (fKind == FileKind::Recording) {
            T1DimByteArr records;
            for (std::size_t block = first; block < blocks().size(); ++block) {
                readStored(blocks()[block], records);
                visit(blocks()[block], records.data());
            }
            return;
        }
        std::vector<std::size_t> wanted(blocks().size() - first);
        std::iota(wanted.begin(), wanted.end(), first);
        decodeBlocks(
            wanted,
            [this](PipelineBlock& block, unsigned) {
                if (RestoreBlockInto(block.input.data(), block.input.size(), block.output) < 0) {
                    throw DamagedBlockError(path(), block.index, BlockDamage::NotRestorable);
                }
            },
            [&](const PipelineBlock& block) {
                visit(blocks()[static_cast<std::size_t>(block.index)], block.output.data());
            });
    });
}

void Recording::visitBlocks(const BlockVisitor& visit) {
    visitFrom(0, visit);
    if (const auto& damaged = damagedBlock()) {
        throw DamagedBlockError(path(), *damaged);
    }
}

}  // namespace kvo::reader
