#include "codec/kvoarchiver.h"

#include <cstring>
#include <limits>
#include <memory>

#include "codec/block_format.h"
#include "codec/lead_coder.h"
#include "codec/record_fields.h"
#include "codec/run_length.h"

namespace kvo {

using namespace codec;  // the block layout and field helpers

namespace {

constexpr std::uint64_t kMaxResult = std::numeric_limits<std::int32_t>::max();

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

// The record count fits the result and both run streams add up to it.
bool consistentRuns(const BlockView& view) {
    const std::size_t n = view.records;
    return n <= kMaxResult / kRecordSize &&
           sumRunCounts<std::uint8_t>(view.secondBytePairs, view.secondBytePairCount) == n &&
           sumRunCounts<std::uint16_t>(view.secondWordPairs, view.secondWordPairCount) == n;
}

// Writes the block's records to out; false when the code stream does not give them all.
bool writeRecords(const BlockView& view, std::uint8_t* out) {
    for (std::size_t i = 0; i < view.records; ++i) {
        std::memcpy(out + i * kRecordSize + kFirstWordOffset, view.firstWords + i * kFirstWordSize,
                    kFirstWordSize);
    }
    expandRuns<std::uint8_t>(view.secondBytePairs, view.secondBytePairCount, out);
    expandRuns<std::uint16_t>(view.secondWordPairs, view.secondWordPairCount, out);
    return decodeLeadBytes(view.codes, view.codeCount, view.records, out);
}

}  // namespace

std::int32_t CompressBlock(T1DimByteArr& buffer, std::int32_t byteCount) {
    const std::optional<std::size_t> records = blockRecordCount(buffer, byteCount);
    if (!records) {
        return -1;
    }
    const std::size_t n = *records;
    // The LeadBytes side by side, later their code stream in the same place. Nothing is written
    // over the records until the block is known to be codable and to fit a 32-bit length.
    auto codes = std::make_unique_for_overwrite<std::uint8_t[]>(n);
    const RecordSplit split = splitRecords(buffer.data(), n, codes.get());
    if (!split.codable) {
        return -1;
    }
    const std::size_t codeBytes = encodeLeadBytes(codes.get(), n);
    const BlockLayout layout(n, split.secondBytes.size(), codeBytes, split.secondWords.size());
    if (layout.total > kMaxResult) {
        return -1;
    }
    if (layout.total > buffer.size()) {
        buffer.reserve(layout.total);  // exactly: resize alone may double the capacity
        buffer.resize(layout.total);
    }
    std::uint8_t* block = buffer.data();
    packFirstWords(block, n, block + kLengthFieldSize);
    writeU32(block, static_cast<std::uint32_t>(layout.firstWordBytes));
    writeSection(block + layout.secondByteAt, split.secondBytes.data(), layout.secondByteBytes);
    writeSection(block + layout.codeAt, codes.get(), codeBytes);
    writeSection(block + layout.secondWordAt, split.secondWords.data(), layout.secondWordBytes);
    return static_cast<std::int32_t>(layout.total);
}

std::int32_t RestoreBlock(T1DimByteArr& buffer) {
    const auto view = viewBlock(buffer.data(), buffer.size());
    if (!view || !consistentRuns(*view)) {
        return -1;
    }
    T1DimByteArr records(view->records * kRecordSize);
    if (!writeRecords(*view, records.data())) {
        return -1;
    }
    buffer.swap(records);
    return static_cast<std::int32_t>(buffer.size());
}

std::int64_t RestoreBlockTo(const std::uint8_t* data, std::size_t available, std::uint8_t* out,
                            std::size_t capacity) {
    const auto view = viewBlock(data, available);
    if (!view || !consistentRuns(*view) || view->records > capacity / kRecordSize ||
        !writeRecords(*view, out)) {
        return -1;
    }
    return static_cast<std::int64_t>(view->records * kRecordSize);
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
