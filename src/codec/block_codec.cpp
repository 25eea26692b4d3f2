#include "codec/kvoarchiver.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "codec/block_decoder.h"
#include "codec/block_format.h"
#include "codec/lead_coder.h"
#include "codec/record_fields.h"
#include "codec/run_length.h"

namespace kvo {

using namespace codec;  // the block layout and field helpers

namespace {

constexpr std::uint64_t kMaxResult = std::numeric_limits<std::int32_t>::max();
static_assert(kBatchRecords >= BlockDecoder::kStretchRecords, "a batch holds a stretch");

// Where each section's length field starts once the payload sizes are known.
struct BlockLayout {
    BlockLayout(std::size_t records, std::size_t secondBytes, std::size_t codes,
                std::size_t secondWords)
        : firstWordBytes(records * kFirstWordSize),
          secondByteBytes(secondBytes),
          codeBytes(codes),
          secondWordBytes(secondWords),
          secondByteAt(kLengthFieldSize + firstWordBytes),
          codeAt(secondByteAt + kLengthFieldSize + secondByteBytes),
          secondWordAt(codeAt + kLengthFieldSize + codeBytes),
          total(secondWordAt + kLengthFieldSize + secondWordBytes) {}

    std::size_t firstWordBytes, secondByteBytes, codeBytes, secondWordBytes;
    std::size_t secondByteAt, codeAt, secondWordAt, total;
};

void writeSection(std::uint8_t* at, const std::uint8_t* payload, std::size_t length) {
    writeU32(at, static_cast<std::uint32_t>(length));
    std::memcpy(at + kLengthFieldSize, payload, length);
}

// Codes n records into `out`. The records may lie at the start of `out` itself: they are read
// before anything is written over them, from wherever growing `out` moved them.
std::int32_t encodeBlock(const std::uint8_t* records, std::size_t n, T1DimByteArr& out,
                         bool recordsInOut, const CodecProgress* progress = nullptr) {
    // The LeadBytes side by side, later their code stream in the same place. Nothing is written
    // over the records until the block is known to be codable and to fit a 32-bit length.
    auto codes = std::make_unique_for_overwrite<std::uint8_t[]>(n);
    ProgressSteps splitting(progress, 0.0, 0.4, n);
    const RecordSplit split = splitRecords(records, n, codes.get(), &splitting);
    if (!split.codable) {
        return -1;
    }
    ProgressSteps coding(progress, 0.4, 0.95, n);
    const std::size_t codeBytes = encodeLeadBytes(codes.get(), n, &coding);
    const BlockLayout layout(n, split.secondBytes.size(), codeBytes, split.secondWords.size());
    if (layout.total > kMaxResult) {
        return -1;
    }
    if (layout.total > out.size()) {
        out.reserve(layout.total);  // exactly: resize alone may double the capacity
        out.resize(layout.total);
    }
    std::uint8_t* block = out.data();
    packFirstWords(recordsInOut ? block : records, n, block + kLengthFieldSize);
    writeU32(block, static_cast<std::uint32_t>(layout.firstWordBytes));
    writeSection(block + layout.secondByteAt, split.secondBytes.data(), layout.secondByteBytes);
    writeSection(block + layout.codeAt, codes.get(), codeBytes);
    writeSection(block + layout.secondWordAt, split.secondWords.data(), layout.secondWordBytes);
    ProgressSteps(progress, 1.0, 1.0, 1).finish();
    return static_cast<std::int32_t>(layout.total);
}

// Restores the opened block a stretch at a time: `into(done, count)` says where the next `count`
// records go, `took(done)` hears of each stretch restored and may stop the work.
template <typename Into, typename Took>
bool decodeStretches(BlockDecoder& decoder, const CodecProgress* progress, Into into, Took took) {
    ProgressSteps steps(progress, 0.0, 1.0, decoder.records());
    // A caller who shows progress hears of every 1% of the block.
    const std::size_t stretch =
        progress == nullptr
            ? BlockDecoder::kStretchRecords
            : std::clamp<std::size_t>(decoder.records() / 256, 1, BlockDecoder::kStretchRecords);
    while (decoder.remaining() > 0) {
        const std::size_t done = decoder.records() - decoder.remaining();
        const std::size_t count = std::min(decoder.remaining(), stretch);
        if (!decoder.next(into(done, count), count) || !took(done + count)) {
            return false;
        }
        steps.at(done + count);  // work done, never the empty start
    }
    return true;
}

bool decodeAll(BlockDecoder& decoder, std::uint8_t* out, const CodecProgress* progress) {
    return decodeStretches(
        decoder, progress,
        [out](std::size_t done, std::size_t) { return out + done * kRecordSize; },
        [](std::size_t) { return true; });
}

}  // namespace

std::int32_t CompressBlock(T1DimByteArr& buffer, std::int32_t byteCount) {
    const std::optional<std::size_t> records = blockRecordCount(buffer, byteCount);
    if (!records) {
        return -1;
    }
    return encodeBlock(buffer.data(), *records, buffer, true);
}

std::int32_t CompressRecords(const std::uint8_t* records, std::size_t n, T1DimByteArr& block,
                             const CodecProgress* progress) {
    if (n < kMinRecords) {
        return -1;
    }
    const std::int32_t length = encodeBlock(records, n, block, false, progress);
    if (length >= 0) {
        block.resize(static_cast<std::size_t>(length));
    }
    return length;
}

std::int32_t RestoreBlock(T1DimByteArr& buffer) {
    BlockDecoder decoder;
    if (!decoder.open(buffer.data(), buffer.size())) {
        return -1;
    }
    T1DimByteArr records(decoder.records() * kRecordSize);
    if (!decodeAll(decoder, records.data(), nullptr)) {
        return -1;
    }
    buffer.swap(records);
    return static_cast<std::int32_t>(buffer.size());
}

std::int32_t RestoreBlockInto(const std::uint8_t* data, std::size_t available,
                              T1DimByteArr& records, const CodecProgress* progress) {
    BlockDecoder decoder;
    if (!decoder.open(data, available)) {
        return -1;
    }
    // Grown only when a block holds more records than any before it: no fresh, zeroed memory
    // per block when the caller reuses the buffer.
    records.resize(decoder.records() * kRecordSize);
    if (!decodeAll(decoder, records.data(), progress)) {
        return -1;
    }
    return static_cast<std::int32_t>(records.size());
}

std::int64_t RestoreBlockTo(const std::uint8_t* data, std::size_t available, std::uint8_t* out,
                            std::size_t capacity) {
    BlockDecoder decoder;
    if (!decoder.open(data, available) || decoder.records() > capacity / kRecordSize ||
        !decodeAll(decoder, out, nullptr)) {
        return -1;
    }
    return static_cast<std::int64_t>(decoder.records() * kRecordSize);
}

std::int64_t RestoreBlockInBatches(const std::uint8_t* data, std::size_t available,
                                   T1DimByteArr& batch, const BatchSink& take,
                                   const CodecProgress* progress) {
    BlockDecoder decoder;
    if (!decoder.open(data, available)) {
        return -1;
    }
    batch.resize(std::min(decoder.records(), kBatchRecords) * kRecordSize);
    const std::size_t room = batch.size() / kRecordSize;
    std::size_t handed = 0;  // records handed on in earlier batches
    std::size_t filled = 0;  // records in the batch
    const bool whole = decodeStretches(
        decoder, progress,
        [&](std::size_t, std::size_t) { return batch.data() + filled * kRecordSize; },
        [&](std::size_t done) {
            filled = done - handed;
            // Handed on when the next stretch might not fit, and at the end.
            if (done < decoder.records() && room - filled >= BlockDecoder::kStretchRecords) {
                return true;
            }
            if (!take(batch.data(), filled * kRecordSize)) {
                return false;
            }
            handed = done;
            filled = 0;
            return true;
        });
    return whole ? static_cast<std::int64_t>(decoder.records() * kRecordSize) : -1;
}

bool RunSectionAgreesWithCount(const std::uint8_t* data, std::size_t available) {
    const auto view = viewBlock(data, available);
    return view && (sumRunCounts<std::uint8_t>(view->secondBytePairs, view->secondBytePairCount) ==
                        view->records ||
                    sumRunCounts<std::uint16_t>(view->secondWordPairs, view->secondWordPairCount) ==
                        view->records);
}

std::int64_t FindUncodableLeadByte(const std::uint8_t* records, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (records[i * kRecordSize + kLeadByteOffset] >= kFirstDictionaryCode) {
            return static_cast<std::int64_t>(i);
        }
    }
    return -1;
}

}  // namespace kvo
