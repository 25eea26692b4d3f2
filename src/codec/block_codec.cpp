#include "codec/block_codec.h"

#include <cstring>
#include <limits>
#include <memory>

#include "codec/block_format.h"
#include "codec/kvoarchiver.h"
#include "codec/run_length.h"

namespace kvo {

namespace codec {

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

// Gathers the FirstWords behind their length field. Safe when block and records are the same
// memory: record i is read before anything at or past its FirstWord is written.
void writeFirstWordSection(std::uint8_t* block, const std::uint8_t* records, std::size_t n) {
    std::uint8_t* out = block + kLengthFieldSize;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t* word = records + i * kRecordSize + kFirstWordOffset;
        const std::uint8_t low = word[0];
        const std::uint8_t high = word[1];
        out[2 * i] = low;
        out[2 * i + 1] = high;
    }
    // Last: the length field lies over record 0's FirstWord.
    writeU32(block, static_cast<std::uint32_t>(n * kFirstWordSize));
}

void writeSection(std::uint8_t* at, const std::uint8_t* payload, std::size_t length) {
    writeU32(at, static_cast<std::uint32_t>(length));
    std::memmove(at + kLengthFieldSize, payload, length);
}

// Writes both run sections, each length field followed by its pairs.
void writeRunSections(std::uint8_t* secondByteSection, std::uint8_t* secondWordSection,
                      const BlockLayout& layout, const std::uint8_t* records, std::size_t n) {
    writeU32(secondByteSection, static_cast<std::uint32_t>(layout.secondByteBytes));
    encodeRuns<std::uint8_t>(records, n, secondByteSection + kLengthFieldSize);
    writeU32(secondWordSection, static_cast<std::uint32_t>(layout.secondWordBytes));
    encodeRuns<std::uint16_t>(records, n, secondWordSection + kLengthFieldSize);
}

}  // namespace

std::int32_t compressBlockWith(T1DimByteArr& buffer, std::int32_t byteCount, LeadEncoder encode) {
    if (byteCount < 0 || static_cast<std::size_t>(byteCount) > buffer.size()) {
        return -1;
    }
    const std::size_t n =
        (byteCount == 0 ? buffer.size() : static_cast<std::size_t>(byteCount)) / kRecordSize;
    const std::uint8_t* records = buffer.data();
    if (n < kMinRecords || FindUncodableLeadByte(records, n) >= 0) {
        return -1;
    }
    const std::size_t secondByteBytes = countRuns<std::uint8_t>(records, n) * kSecondBytePairSize;
    const std::size_t secondWordBytes = countRuns<std::uint16_t>(records, n) * kSecondWordPairSize;
    auto codes = std::make_unique_for_overwrite<std::uint8_t[]>(n);
    const std::size_t codeBytes = encode(records, n, codes.get());
    const BlockLayout layout(n, secondByteBytes, codeBytes, secondWordBytes);
    if (layout.total > kMaxResult) {
        return -1;
    }

    if (layout.total > buffer.size()) {
        T1DimByteArr grown(layout.total);
        std::uint8_t* block = grown.data();
        writeFirstWordSection(block, records, n);
        writeRunSections(block + layout.secondByteAt, block + layout.secondWordAt, layout, records,
                         n);
        writeSection(block + layout.codeAt, codes.get(), codeBytes);
        buffer.swap(grown);
    } else {
        // The sections overwrite the records, so the run pairs are taken out first.
        const std::size_t secondByteSection = kLengthFieldSize + secondByteBytes;
        const std::size_t secondWordSection = kLengthFieldSize + secondWordBytes;
        auto runs =
            std::make_unique_for_overwrite<std::uint8_t[]>(secondByteSection + secondWordSection);
        writeRunSections(runs.get(), runs.get() + secondByteSection, layout, records, n);
        std::uint8_t* block = buffer.data();
        writeFirstWordSection(block, block, n);
        std::memcpy(block + layout.secondByteAt, runs.get(), secondByteSection);
        writeSection(block + layout.codeAt, codes.get(), codeBytes);
        std::memcpy(block + layout.secondWordAt, runs.get() + secondByteSection, secondWordSection);
    }
    return static_cast<std::int32_t>(layout.total);
}

std::int32_t restoreBlockWith(T1DimByteArr& buffer, LeadDecoder decode) {
    const auto view = viewBlock(buffer.data(), buffer.size());
    if (!view) {
        return -1;
    }
    const std::size_t n = view->records;
    if (n > kMaxResult / kRecordSize ||
        sumRunCounts<std::uint8_t>(view->secondBytePairs, view->secondBytePairCount) != n ||
        sumRunCounts<std::uint16_t>(view->secondWordPairs, view->secondWordPairCount) != n) {
        return -1;
    }
    T1DimByteArr records(n * kRecordSize);
    std::uint8_t* out = records.data();
    for (std::size_t i = 0; i < n; ++i) {
        std::memcpy(out + i * kRecordSize + kFirstWordOffset, view->firstWords + i * kFirstWordSize,
                    kFirstWordSize);
    }
    expandRuns<std::uint8_t>(view->secondBytePairs, view->secondBytePairCount, out);
    expandRuns<std::uint16_t>(view->secondWordPairs, view->secondWordPairCount, out);
    if (!decode(view->codes, view->codeCount, n, out)) {
        return -1;
    }
    buffer.swap(records);
    return static_cast<std::int32_t>(n * kRecordSize);
}

}  // namespace codec

std::int64_t FindUncodableLeadByte(const std::uint8_t* records, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (records[i * kRecordSize + kLeadByteOffset] >= kFirstDictionaryCode) {
            return static_cast<std::int64_t>(i);
        }
    }
    return -1;
}

std::int32_t CompressBlock(T1DimByteArr& buffer, std::int32_t byteCount) {
    return codec::compressBlockWith(buffer, byteCount, &codec::encodeLeadBytes);
}

std::int32_t RestoreBlock(T1DimByteArr& buffer) {
    return codec::restoreBlockWith(buffer, &codec::decodeLeadBytes);
}

}  // namespace kvo
