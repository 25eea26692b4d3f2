#pragma once
// The LeadByte dictionary with its strings kept in a trie, so a search is one walk down the
// window instead of ten scans over 128 rows. It yields the same codes and definitions as the
// plain TLzwLex for windows of bytes 0..127, the only bytes a valid block carries.

#include <array>
#include <cstddef>
#include <cstdint>

#include "codec/kvoarchiver.h"

namespace kvo::codec {

struct LexMatch {
    std::uint8_t code = 0;    // dictionary code, or the window's first byte as a literal
    std::uint8_t length = 1;  // string length; 1 for a literal
};

class LexIndex {
  public:
    LexIndex();
    LexIndex(const LexIndex&) = delete;
    LexIndex& operator=(const LexIndex&) = delete;

    bool full() const { return freerow_ > kLastCode; }
    std::uint16_t freerow() const { return freerow_; }

    // The window is w[0], w[stride], ... w[11 * stride]; every byte must be below 128.
    LexMatch longestStringCode(const std::uint8_t* w, std::ptrdiff_t stride) const {
        return search(w, stride, freerow_ - 1);
    }
    LexMatch longestStringCodeCut(const std::uint8_t* w, std::ptrdiff_t stride) const {
        return search(w, stride, freerow_ - 1 - kDecoderLag);
    }
    // A learning step: the longest known string at the head of the window, extended by the window
    // byte behind it, becomes the next code. Only valid while the dictionary is not full.
    void learn(const std::uint8_t* w, std::ptrdiff_t stride);

    std::uint8_t length(std::uint8_t code) const {
        return code < kFirstDictionaryCode ? 1 : lengths_[code - kFirstDictionaryCode];
    }
    const byte016& row(std::uint8_t code) const { return rows_[code - kFirstDictionaryCode]; }
    std::uint8_t symbol(std::uint8_t code, std::size_t ind) const {
        return code < kFirstDictionaryCode ? code : row(code)[ind];
    }

  private:
    static constexpr std::int32_t kLastCode = kFirstDictionaryCode + kDictionaryCodes - 1;
    static constexpr std::size_t kAlphabet = 128;
    // Trie nodes are named by byte for the one-byte strings and by the lowest code holding the
    // string otherwise; a child entry of 0 means "no such string" since children are codes.
    using ChildRow = std::array<std::uint8_t, kAlphabet>;

    LexMatch search(const std::uint8_t* w, std::ptrdiff_t stride, std::int32_t lastCode) const;
    std::uint8_t child(std::uint8_t node, std::uint8_t byte) const {
        return children_[rowOf_[node]][byte];
    }

    std::array<byte016, kDictionaryCodes> rows_;
    std::array<std::uint8_t, kDictionaryCodes> lengths_{};
    std::array<std::uint8_t, 256> rowOf_{};  // children row of each node; row 0 is empty
    std::array<ChildRow, kDictionaryCodes + 1> children_;
    std::uint16_t freerow_ = kFirstDictionaryCode;
    std::uint8_t rowsUsed_ = 1;
};

}  // namespace kvo::codec
