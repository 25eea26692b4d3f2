#include "codec/lex_index.h"

#include <algorithm>
#include <cassert>

namespace kvo::codec {

LexIndex::LexIndex() {
    children_[0].fill(0);
}

LexMatch LexIndex::search(const std::uint8_t* w, std::ptrdiff_t stride,
                          std::int32_t lastCode) const {
    constexpr std::ptrdiff_t kDeepest = kWindowSize - 1;
    LexMatch best{w[0], 1};
    std::uint8_t node = child(w[0], w[stride]);
    for (std::ptrdiff_t depth = 2; node != 0; ++depth) {
        const std::uint8_t behind = w[depth * stride];
        // The literal scan only accepts a string whose following window byte is not 0.
        if (node <= lastCode && behind != 0) {
            best = {node, static_cast<std::uint8_t>(depth)};
        }
        if (depth == kDeepest) {
            break;
        }
        node = child(node, behind);
    }
    return best;
}

void LexIndex::learn(const std::uint8_t* w, std::ptrdiff_t stride) {
    assert(!full());
    const LexMatch found = longestStringCode(w, stride);
    const auto code = static_cast<std::uint8_t>(freerow_);
    const std::uint8_t next = w[found.length * stride];
    byte016& newRow = rows_[code - kFirstDictionaryCode];
    newRow.fill(0);
    for (std::size_t p = 0; p < found.length; ++p) {
        newRow[p] = w[static_cast<std::ptrdiff_t>(p) * stride];
    }
    newRow[found.length] = next;
    lengths_[code - kFirstDictionaryCode] = static_cast<std::uint8_t>(found.length + 1);
    ++freerow_;

    // A repeated string keeps the node of its lowest code, which is what the scan would find.
    std::uint8_t& rowIndex = rowOf_[found.code];
    if (rowIndex == 0) {
        rowIndex = rowsUsed_++;
        children_[rowIndex].fill(0);
    }
    std::uint8_t& slot = children_[rowIndex][next];
    if (slot == 0) {
        slot = code;
    }
}

}  // namespace kvo::codec
