#pragma once
// Run pairs (value, count) of one record field: SecondBytes with 8-bit counts, SecondWords with
// 16-bit counts. A run longer than the count allows is split, all but the last pair full.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>

#include "codec/block_format.h"

namespace kvo::codec {

template <typename Value>
struct FieldTraits;

template <>
struct FieldTraits<std::uint8_t> {
    static constexpr std::size_t kOffset = kSecondByteOffset;
    static constexpr std::size_t kPairSize = kSecondBytePairSize;
    static std::uint8_t read(const std::uint8_t* p) { return *p; }
    static void write(std::uint8_t* p, std::uint8_t v) { *p = v; }
};

template <>
struct FieldTraits<std::uint16_t> {
    static constexpr std::size_t kOffset = kSecondWordOffset;
    static constexpr std::size_t kPairSize = kSecondWordPairSize;
    static std::uint16_t read(const std::uint8_t* p) { return readU16(p); }
    static void write(std::uint8_t* p, std::uint16_t v) { writeU16(p, v); }
};

// Walks the field of n records and hands each pair to emit(value, count); returns the pair count.
template <typename Value, typename Emit>
std::size_t forEachRun(const std::uint8_t* records, std::size_t n, Emit&& emit) {
    using Traits = FieldTraits<Value>;
    constexpr std::size_t kLimit = std::numeric_limits<Value>::max();
    const std::uint8_t* field = records + Traits::kOffset;
    std::size_t pairs = 0;
    std::size_t i = 0;
    while (i < n) {
        const Value value = Traits::read(field + i * kRecordSize);
        const std::size_t end = (n - i > kLimit) ? i + kLimit : n;
        std::size_t j = i + 1;
        while (j < end && Traits::read(field + j * kRecordSize) == value) {
            ++j;
        }
        emit(value, static_cast<Value>(j - i));
        ++pairs;
        i = j;
    }
    return pairs;
}

template <typename Value>
std::size_t countRuns(const std::uint8_t* records, std::size_t n) {
    return forEachRun<Value>(records, n, [](Value, Value) {});
}

// Writes the pairs (value then count, little-endian) to out; returns the bytes written.
template <typename Value>
std::size_t encodeRuns(const std::uint8_t* records, std::size_t n, std::uint8_t* out) {
    using Traits = FieldTraits<Value>;
    std::uint8_t* at = out;
    forEachRun<Value>(records, n, [&at](Value value, Value count) {
        Traits::write(at, value);
        Traits::write(at + sizeof(Value), count);
        at += Traits::kPairSize;
    });
    return static_cast<std::size_t>(at - out);
}

template <typename Value>
std::uint64_t sumRunCounts(const std::uint8_t* pairs, std::size_t pairCount) {
    using Traits = FieldTraits<Value>;
    std::uint64_t sum = 0;
    for (std::size_t p = 0; p < pairCount; ++p) {
        sum += Traits::read(pairs + p * Traits::kPairSize + sizeof(Value));
    }
    return sum;
}

// Stores the expanded pairs into the field of consecutive records. The counts must add up to
// the number of records behind `records`.
template <typename Value>
void expandRuns(const std::uint8_t* pairs, std::size_t pairCount, std::uint8_t* records) {
    using Traits = FieldTraits<Value>;
    std::uint8_t* field = records + Traits::kOffset;
    for (std::size_t p = 0; p < pairCount; ++p) {
        const std::uint8_t* pair = pairs + p * Traits::kPairSize;
        const Value value = Traits::read(pair);
        const std::size_t count = Traits::read(pair + sizeof(Value));
        for (std::size_t c = 0; c < count; ++c) {
            Traits::write(field, value);
            field += kRecordSize;
        }
    }
}

}  // namespace kvo::codec
