#pragma once
// Byte layout of a compressed block: four sections, each a little-endian 32-bit byte length
// followed by its payload (FirstWords, SecondByte pairs, LeadByte codes, SecondWord pairs).

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>

#include "model/types4kvo.h"

namespace kvo::codec {

inline constexpr std::size_t kLengthFieldSize = 4;
inline constexpr std::size_t kSectionCount = 4;
inline constexpr std::size_t kBlockOverhead = kLengthFieldSize * kSectionCount;
inline constexpr std::size_t kMinRecords = 12;  // the code stream opens with 12 raw LeadBytes
// The most records a block can hold and still restore: its records must fit a 32-bit length.
inline constexpr std::size_t kMostRecords =
    static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()) / kRecordSize;
inline constexpr std::size_t kFirstWordSize = 2;
inline constexpr std::size_t kSecondBytePairSize = 2;
inline constexpr std::size_t kSecondWordPairSize = 4;

// Little-endian fields. On little-endian hosts these become plain unaligned loads and stores.
template <typename Word>
inline Word loadLE(const std::uint8_t* p) {
    Word v = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&v, p, sizeof v);
    } else {
        for (std::size_t i = 0; i < sizeof v; ++i)
            v |= static_cast<Word>(Word{p[i]} << (8 * i));
    }
    return v;
}
template <typename Word>
inline void storeLE(std::uint8_t* p, Word v) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(p, &v, sizeof v);
    } else {
        for (std::size_t i = 0; i < sizeof v; ++i)
            p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}
inline std::uint16_t readU16(const std::uint8_t* p) {
    return loadLE<std::uint16_t>(p);
}
inline void writeU16(std::uint8_t* p, std::uint16_t v) {
    storeLE(p, v);
}
inline std::uint32_t readU32(const std::uint8_t* p) {
    return loadLE<std::uint32_t>(p);
}
inline void writeU32(std::uint8_t* p, std::uint32_t v) {
    storeLE(p, v);
}

// The record count of a block handed to a compressor: the first `byteCount` bytes of `buffer`
// (all of it for 0), in whole records. Null for a count outside the buffer or fewer than 12
// records.
inline std::optional<std::size_t> blockRecordCount(const T1DimByteArr& buffer,
                                                   std::int32_t byteCount) {
    if (byteCount < 0 || static_cast<std::size_t>(byteCount) > buffer.size()) {
        return std::nullopt;
    }
    const std::size_t n =
        (byteCount == 0 ? buffer.size() : static_cast<std::size_t>(byteCount)) / kRecordSize;
    if (n < kMinRecords) {
        return std::nullopt;
    }
    return n;
}

// Why a block with given section lengths cannot restore, whatever its payloads hold: fewer than
// 12 records, an odd FirstWord section, a run section that is empty or not whole pairs (its
// counts must add up to the record count), or a code section shorter than its 12 raw LeadBytes.
enum class ShapeFault {
    None,
    FewRecords,
    OddFirstWords,
    SecondBytePairs,
    ShortCodes,
    SecondWordPairs,
    // Only storedLengthsFault finds these.
    ManyRecords,
    LongCodes
};

using SectionLengths = std::array<std::uint32_t, kSectionCount>;

ShapeFault sectionShapeFault(const SectionLengths& lengths);

// Why a stored block is refused on its four length words alone, before anything is read or
// allocated for it: its shape, more records than a block can restore (ManyRecords), or more codes
// than records (LongCodes: every code stands for at least one LeadByte). A run section may be any
// length, since run pairs of count 0 add nothing; the bytes present bound it. Restore, salvage
// and the reader's block index all judge blocks by this one rule.
ShapeFault storedLengthsFault(const SectionLengths& lengths);

// A block whose sections were checked against the bytes present and against each other's shape.
struct BlockView {
    std::size_t records = 0;
    const std::uint8_t* firstWords = nullptr;
    const std::uint8_t* secondBytePairs = nullptr;
    std::size_t secondBytePairCount = 0;
    const std::uint8_t* codes = nullptr;
    std::size_t codeCount = 0;
    const std::uint8_t* secondWordPairs = nullptr;
    std::size_t secondWordPairCount = 0;
    std::size_t storedLength = 0;
};

// Null when a length field or payload runs past `available` or the section lengths have a
// ShapeFault.
std::optional<BlockView> viewBlock(const std::uint8_t* data, std::size_t available);
// The same with any section lengths that fit `available`; a trailing part pair is left out.
std::optional<BlockView> viewSections(const std::uint8_t* data, std::size_t available);

}  // namespace kvo::codec
