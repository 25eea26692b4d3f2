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

// Windows are 12 contiguous bytes, each below 128.
class LexIndex {
  public:
    LexIndex();
    LexIndex(const LexIndex&) = delete;
    LexIndex& operator=(const LexIndex&) = delete;

    bool full() const { return freerow_ > kLastCode; }
    std::uint16_t freerow() const { return freerow_; }

    LexMatch longestStringCode(const std::uint8_t* w) const { return search(w, freerow_ - 1); }
    LexMatch longestStringCodeCut(const std::uint8_t* w) const { return search(w, cutLimit()); }
    // The same result as longestStringCodeCut, found faster when the string of `hint` (any byte)
    // heads the window: the walk then starts at its node instead of the root.
    LexMatch longestStringCodeCutFrom(const std::uint8_t* w, std::uint8_t hint) const {
        return searchFrom(w, hint, cutLimit());
    }
    // A learning step: the longest known string at the head of the window, extended by the window
    // byte behind it, becomes the next code. Only valid while the dictionary is not full.
    void learn(const std::uint8_t* w);

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
    static constexpr std::size_t kDeepest = kWindowSize - 1;  // longest string a search finds
    // Trie nodes are named by byte for the one-byte strings and by the lowest code holding the
    // string otherwise; a child entry of 0 means "no such string" since children are codes.
    using ChildRow = std::array<std::uint8_t, kAlphabet>;
    // A row's string as two little words, zero past its end, for a two-compare match test.
    struct PackedRow {
        std::uint64_t head = 0;
        std::uint32_t tail = 0;
    };

    std::int32_t cutLimit() const { return freerow_ - 1 - kDecoderLag; }
    LexMatch search(const std::uint8_t* w, std::int32_t lastCode) const;
    LexMatch searchFrom(const std::uint8_t* w, std::uint8_t hint, std::int32_t lastCode) const;
    // Walks on below `node` (the string of w[0..depth-1]) keeping the deepest acceptable code.
    LexMatch descend(const std::uint8_t* w, LexMatch best, std::uint8_t node, std::size_t depth,
                     std::int32_t lastCode) const;
    bool heads(std::uint8_t code, const std::uint8_t* w) const;
    ChildRow& childrenOf(std::uint8_t node);

    std::array<byte016, kDictionaryCodes> rows_;
    std::array<PackedRow, kDictionaryCodes> packed_;
    std::array<std::uint8_t, kDictionaryCodes> lengths_{};
    std::array<std::uint8_t, kDictionaryCodes> nodeOf_;  // lowest code with the same string
    // Children of code nodes, set up when the node is created; one-byte strings get a row of
    // rootChildren_ only once they have a child (row 0 stays empty).
    std::array<ChildRow, kDictionaryCodes> codeChildren_;
    std::array<std::uint8_t, kAlphabet> rootRow_{};
    std::array<ChildRow, kAlphabet + 1> rootChildren_;
    std::array<std::uint8_t, 256> learnedAfter_{};  // learning's search hints
    std::uint8_t lastLearned_ = 0;
    std::uint16_t freerow_ = kFirstDictionaryCode;
    std::uint8_t rootRowsUsed_ = 1;
};

}  // namespace kvo::codec
