#include "codec/lex_index.h"

#include <cassert>

#include "codec/block_format.h"

namespace kvo::codec {

namespace {

struct PrefixMask {
    std::uint64_t head;
    std::uint32_t tail;
};

// Masks of the first L bytes of a 12-byte window, L = 0..12.
constexpr std::array<PrefixMask, kWindowSize + 1> kPrefixMasks = [] {
    std::array<PrefixMask, kWindowSize + 1> masks{};
    for (std::size_t length = 0; length <= kWindowSize; ++length) {
        for (std::size_t p = 0; p < length; ++p) {
            if (p < 8) {
                masks[length].head |= std::uint64_t{0xFF} << (8 * p);
            } else {
                masks[length].tail |= std::uint32_t{0xFF} << (8 * (p - 8));
            }
        }
    }
    return masks;
}();

// The same little-endian order for windows and packed rows, so that masks select leading bytes.
std::uint64_t loadHead(const std::uint8_t* p) {
    return loadLE<std::uint64_t>(p);
}
std::uint32_t loadTail(const std::uint8_t* p) {
    return loadLE<std::uint32_t>(p + 8);
}

}  // namespace

LexIndex::LexIndex() {
    rootChildren_[0].fill(0);
}

LexMatch LexIndex::search(const std::uint8_t* w, std::int32_t lastCode) const {
    const LexMatch literal{w[0], 1};
    const std::uint8_t node = rootChildren_[rootRow_[w[0]]][w[1]];
    return node == 0 ? literal : descend(w, literal, node, 2, lastCode);
}

LexMatch LexIndex::descend(const std::uint8_t* w, LexMatch best, std::uint8_t node,
                           std::size_t depth, std::int32_t lastCode) const {
    for (;; ++depth) {
        const std::uint8_t behind = w[depth];
        // The plain scan only accepts a string whose following window byte is not 0.
        if (node <= lastCode && behind != 0) {
            best = {node, static_cast<std::uint8_t>(depth)};
        }
        if (depth == kDeepest) {
            return best;
        }
        node = codeChildren_[node - kFirstDictionaryCode][behind];
        if (node == 0) {
            return best;
        }
    }
}

bool LexIndex::heads(std::uint8_t code, const std::uint8_t* w) const {
    const PackedRow& row = packed_[code - kFirstDictionaryCode];
    const PrefixMask& mask = kPrefixMasks[lengths_[code - kFirstDictionaryCode]];
    return (((loadHead(w) ^ row.head) & mask.head) | ((loadTail(w) ^ row.tail) & mask.tail)) == 0;
}

LexMatch LexIndex::searchFrom(const std::uint8_t* w, std::uint8_t hint,
                              std::int32_t lastCode) const {
    if (hint < kFirstDictionaryCode || hint > lastCode) {
        return search(w, lastCode);
    }
    // A repeated string answers with its lowest code, whichever copy the hint named.
    const std::uint8_t node = nodeOf_[hint - kFirstDictionaryCode];
    if (!heads(node, w)) {
        return search(w, lastCode);
    }
    const std::size_t depth = lengths_[node - kFirstDictionaryCode];
    if (depth > kDeepest || w[depth] == 0) {
        return search(w, lastCode);  // the hint is not acceptable here; others may be
    }
    const std::uint8_t behind = w[depth];
    const LexMatch best{node, static_cast<std::uint8_t>(depth)};
    if (depth == kDeepest) {
        return best;
    }
    const std::uint8_t deeper = codeChildren_[node - kFirstDictionaryCode][behind];
    return deeper == 0 ? best : descend(w, best, deeper, depth + 1, lastCode);
}

LexIndex::ChildRow& LexIndex::childrenOf(std::uint8_t node) {
    if (node >= kFirstDictionaryCode) {
        return codeChildren_[node - kFirstDictionaryCode];
    }
    std::uint8_t& row = rootRow_[node];
    if (row == 0) {
        row = rootRowsUsed_++;
        rootChildren_[row].fill(0);
    }
    return rootChildren_[row];
}

void LexIndex::learn(const std::uint8_t* w) {
    assert(!full());
    // Learning windows follow one another, so the string found after the previous one last time
    // is a good place to start.
    const LexMatch found = searchFrom(w, learnedAfter_[lastLearned_], freerow_ - 1);
    learnedAfter_[lastLearned_] = found.code;
    lastLearned_ = found.code;
    const auto code = static_cast<std::uint8_t>(freerow_);
    const std::size_t slot = code - kFirstDictionaryCode;
    const std::size_t length = found.length + 1u;
    // The found string is the window's head, so the new row is the window's first bytes.
    const PrefixMask& mask = kPrefixMasks[length];
    const PackedRow packed{loadHead(w) & mask.head, loadTail(w) & mask.tail};
    byte016& newRow = rows_[slot];
    storeLE(newRow.data(), packed.head);
    storeLE(newRow.data() + 8, packed.tail);
    newRow[kWindowSize] = 0;
    packed_[slot] = packed;
    lengths_[slot] = static_cast<std::uint8_t>(length);
    ++freerow_;

    // A repeated string keeps the node of its lowest code, which is what the scan would find.
    std::uint8_t& child = childrenOf(found.code)[w[found.length]];
    if (child == 0) {
        child = code;
        codeChildren_[slot].fill(0);
    }
    nodeOf_[slot] = child;
}

}  // namespace kvo::codec
