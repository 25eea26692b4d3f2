#pragma once
// Run pairs (value, count) of one record field: SecondBytes with 8-bit counts, SecondWords with
// 16-bit counts. A run longer than the count allows is split, all but the last pair full.

#include <cstddef>
#include <cstdint>
#include <limits>

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

// Follows a field record by record without branching on the data: the pair being built is
// always the last one, and a new one opens on a change of value or a full count.
template <typename Value>
class RunTracker {
  public:
    explicit RunTracker(Value first) : value_(first) {}

    void add(Value v) {
        const bool opens = (v != value_) | (count_ == kLimit);
        pairs_ += opens;
        count_ = opens ? 1 : count_ + 1;
        value_ = v;
    }
    // Writes the pair being built over its slot in the pair array.
    void store(std::uint8_t* pairs) const {
        using Traits = FieldTraits<Value>;
        std::uint8_t* at = pairs + (pairs_ - 1) * Traits::kPairSize;
        Traits::write(at, value_);
        Traits::write(at + sizeof(Value), static_cast<Value>(count_));
    }
    std::size_t pairs() const { return pairs_; }

  private:
    static constexpr std::size_t kLimit = std::numeric_limits<Value>::max();
    Value value_;
    std::size_t count_ = 1;
    std::size_t pairs_ = 1;
};

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
