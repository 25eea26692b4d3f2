#include "codec/kvoarchiver.h"

#include <algorithm>

#include "codec/block_decoder.h"
#include "codec/block_encoder.h"
#include "codec/block_format.h"
#include "codec/run_length.h"

namespace kvo {

using namespace codec;  // the block layout and field helpers

namespace {

static_assert(kBatchRecords >= BlockDecoder::kStretchRecords, "a batch holds a stretch");

// Records to work on at a time for a caller who shows progress: at most `most`, and few enough
// that it hears of every 1% of the block's n records.
std::size_t progressStretch(std::size_t n, std::size_t most) {
    return std::clamp<std::size_t>(n / 256, 1, most);
}

// Restores the opened block a stretch at a time: `into(done, count)` says where the next `count`
// records go, `took(done)` hears of each stretch restored and may stop the work.
template <typename Into, typename Took>
bool decodeStretches(BlockDecoder& decoder, const CodecProgress* progress, Into into, Took took) {
    ProgressSteps steps(progress, 0.0, 1.0, decoder.records());
    const std::size_t stretch =
        progress == nullptr ? BlockDecoder::kStretchRecords
                            : progressStretch(decoder.records(), BlockDecoder::kStretchRecords);
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
    BlockEncoder encoder;
    encoder.start(*records, buffer, true);
    encoder.add(buffer.data(), *records);
    return encoder.finish();
}

std::int32_t CompressRecords(const std::uint8_t* records, std::size_t n, T1DimByteArr& block,
                             const CodecProgress* progress) {
    if (n < kMinRecords) {
        return -1;
    }
    BlockEncoder encoder;
    encoder.start(n, block, false, progress);
    const std::size_t stretch = progress == nullptr ? n : progressStretch(n, kBatchRecords);
    for (std::size_t done = 0; done < n; done += stretch) {
        encoder.add(records + done * kRecordSize, std::min(stretch, n - done));
    }
    const std::int32_t length = encoder.finish();
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

std::size_t RunSectionsAgreeingWithCount(const std::uint8_t* data, std::size_t available) {
    const auto view = viewSections(data, available);
    if (!view || view->records < kMinRecords) {
        return 0;
    }
    return std::size_t{sumRunCounts<std::uint8_t>(view->secondBytePairs,
                                                  view->secondBytePairCount) == view->records} +
           std::size_t{sumRunCounts<std::uint16_t>(view->secondWordPairs,
                                                   view->secondWordPairCount) == view->records};
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
