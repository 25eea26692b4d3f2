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
    using Pair = std::uint16_t;  // value in the low byte, count in the high byte
    static std::uint8_t read(const std::uint8_t* p) { return *p; }
    static void write(std::uint8_t* p, std::uint8_t v) { *p = v; }
};

template <>
struct FieldTraits<std::uint16_t> {
    static constexpr std::size_t kOffset = kSecondWordOffset;
    static constexpr std::size_t kPairSize = kSecondWordPairSize;
    using Pair = std::uint32_t;  // value in the low word, count in the high word
    static std::uint16_t read(const std::uint8_t* p) { return readU16(p); }
    static void write(std::uint8_t* p, std::uint16_t v) { writeU16(p, v); }
};

// Follows the runs of a field. The caller only reports records where the value may change or the
// count may be full; a pair is written when it closes.
template <typename Value>
class RunCursor {
  public:
    RunCursor() = default;
    explicit RunCursor(Value first) : value_(first) {}

    // Record i holds v: closes the open pair on a new value or a full count.
    void advance(std::size_t i, Value v, std::uint8_t* pairs) {
        if (v != value_ || i - start_ == kLimit) {
            store(pairs, i - start_);
            ++pairs_;
            value_ = v;
            start_ = i;
        }
    }
    void finish(std::size_t n, std::uint8_t* pairs) const { store(pairs, n - start_); }

    Value value() const { return value_; }
    std::size_t pairs() const { return pairs_; }
    // The first record that must open a new pair even if its value is unchanged.
    std::size_t limitAt() const { return start_ + kLimit; }

  private:
    static constexpr std::size_t kLimit = std::numeric_limits<Value>::max();

    void store(std::uint8_t* pairs, std::size_t count) const {
        using Traits = FieldTraits<Value>;
        using Pair = typename Traits::Pair;
        const auto pair =
            static_cast<Pair>(value_ | (static_cast<Pair>(count) << (8 * sizeof(Value))));
        storeLE(pairs + (pairs_ - 1) * Traits::kPairSize, pair);
    }

    Value value_ = 0;
    std::size_t start_ = 0;
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

// Reads the runs of a field in order, a stretch of records at a time.
template <typename Value>
class RunReader {
  public:
    RunReader() = default;
    RunReader(const std::uint8_t* pairs, std::size_t pairCount)
        : pairs_(pairs), pairCount_(pairCount) {}

    // Makes the current run one that still has records; false when the pairs are used up.
    bool ensure() {
        using Traits = FieldTraits<Value>;
        while (left_ == 0) {
            if (used_ == pairCount_) {
                return false;
            }
            const std::uint8_t* pair = pairs_ + used_++ * Traits::kPairSize;
            value_ = Traits::read(pair);
            left_ = Traits::read(pair + sizeof(Value));
        }
        return true;
    }
    Value value() const { return value_; }
    std::size_t left() const { return left_; }  // records the current run still covers
    void take(std::size_t records) { left_ -= records; }

  private:
    const std::uint8_t* pairs_ = nullptr;
    std::size_t pairCount_ = 0;
    std::size_t used_ = 0;
    std::size_t left_ = 0;
    Value value_ = 0;
};

}  // namespace kvo::codec
