#include "codec/reference_codec.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "codec/block_format.h"
#include "codec/kvoarchiver.h"

namespace kvo::reference {

namespace {

using codec::readU16;
using Bytes = std::vector<std::uint8_t>;
using Words = std::vector<std::uint16_t>;

constexpr std::uint8_t kFillByte = 0;  // stands in for LeadBytes past the end of the block
constexpr std::uint64_t kMaxResult = std::numeric_limits<std::int32_t>::max();

void learningStep(TLzwLex& lex) {
    lex.Expand(lex.LongestStringCode());
}

Bytes encodeLeadBytes(const Bytes& leadBytes) {
    const std::size_t n = leadBytes.size();
    const auto leadOrFill = [&](std::size_t k) { return k < n ? leadBytes[k] : kFillByte; };
    TLzwLex lex;
    Bytes codes;
    lex.smalbuffer.Add(leadBytes.data(), kWindowSize);
    for (std::size_t e = 0; e < kWindowSize; ++e) {
        learningStep(lex);
        codes.push_back(lex.smalbuffer.X(0));
        const std::uint8_t next = leadOrFill(e + kWindowSize);
        lex.smalbuffer.Add(&next, 1);
    }
    std::size_t k = 2 * kWindowSize;
    while (k < n) {
        const std::int32_t x = lex.LongestStringCode_cut();
        const std::uint8_t length = lex.getlength(x);
        codes.push_back(static_cast<std::uint8_t>(x));
        for (std::uint8_t j = 0; j < length; ++j) {
            learningStep(lex);
            const std::uint8_t next = leadOrFill(k);
            lex.smalbuffer.Add(&next, 1);
            ++k;
        }
    }
    const std::size_t tail = n + kWindowSize - k;
    for (std::uint32_t i = 0; i < tail; ++i) {
        codes.push_back(lex.smalbuffer.X(i));
    }
    return codes;
}

// Stops as soon as the stream yields more than n LeadBytes; null unless it yields exactly n.
std::optional<Bytes> decodeLeadBytes(const std::uint8_t* codes, std::size_t count, std::size_t n) {
    TLzwLex lex;
    lex.smalbuffer.Add(codes, kWindowSize);
    Bytes leadBytes(codes, codes + kWindowSize);
    for (std::size_t i = kWindowSize; i < count; ++i) {
        const std::uint8_t x = codes[i];
        const std::uint8_t length = lex.getlength(x);
        if (length == 0) {
            return std::nullopt;  // never emitted: the encoder only uses codes the decoder has
        }
        for (std::uint8_t j = 0; j < length; ++j) {
            learningStep(lex);
            if (leadBytes.size() == n) {
                return std::nullopt;
            }
            const std::uint8_t leadByte = lex.Getsymbol(x, j);
            leadBytes.push_back(leadByte);
            lex.smalbuffer.Add(&leadByte, 1);
        }
    }
    if (leadBytes.size() != n) {
        return std::nullopt;
    }
    return leadBytes;
}

template <typename Stream>
std::vector<std::pair<typename Stream::value_type, std::size_t>> runPairs(const Stream& stream) {
    constexpr std::size_t kLimit = std::numeric_limits<typename Stream::value_type>::max();
    std::vector<std::pair<typename Stream::value_type, std::size_t>> pairs;
    std::size_t i = 0;
    while (i < stream.size()) {
        std::size_t count = 1;
        while (i + count < stream.size() && stream[i + count] == stream[i] && count < kLimit) {
            ++count;
        }
        pairs.emplace_back(stream[i], count);
        i += count;
    }
    return pairs;
}

void appendWord(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void appendLength(Bytes& out, std::size_t v) {
    appendWord(out, static_cast<std::uint16_t>(v));
    appendWord(out, static_cast<std::uint16_t>(v >> 16));
}

}  // namespace

std::int32_t CompressBlock(T1DimByteArr& buffer, std::int32_t byteCount) {
    const std::optional<std::size_t> records = codec::blockRecordCount(buffer, byteCount);
    if (!records) {
        return -1;
    }
    const std::size_t n = *records;
    Bytes lead(n);
    Bytes second(n);
    Words firstWords(n);
    Words secondWords(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t* record = &buffer[i * kRecordSize];
        lead[i] = record[kLeadByteOffset];
        second[i] = record[kSecondByteOffset];
        firstWords[i] = readU16(record + kFirstWordOffset);
        secondWords[i] = readU16(record + kSecondWordOffset);
        if (lead[i] >= kFirstDictionaryCode) {
            return -1;
        }
    }
    const Bytes codes = encodeLeadBytes(lead);
    const auto secondPairs = runPairs(second);
    const auto wordPairs = runPairs(secondWords);

    Bytes block;
    appendLength(block, 2 * n);
    for (const std::uint16_t w : firstWords)
        appendWord(block, w);
    appendLength(block, 2 * secondPairs.size());
    for (const auto& [value, count] : secondPairs) {
        block.push_back(value);
        block.push_back(static_cast<std::uint8_t>(count));
    }
    appendLength(block, codes.size());
    block.insert(block.end(), codes.begin(), codes.end());
    appendLength(block, 4 * wordPairs.size());
    for (const auto& [value, count] : wordPairs) {
        appendWord(block, value);
        appendWord(block, static_cast<std::uint16_t>(count));
    }
    if (block.size() > kMaxResult) {
        return -1;
    }
    if (block.size() > buffer.size()) {
        buffer.resize(block.size());
    }
    std::copy(block.begin(), block.end(), buffer.begin());
    return static_cast<std::int32_t>(block.size());
}

std::int32_t RestoreBlock(T1DimByteArr& buffer) {
    const auto view = codec::viewBlock(buffer.data(), buffer.size());
    if (!view || view->records > kMaxResult / kRecordSize) {
        return -1;
    }
    const std::size_t n = view->records;
    const auto lead = decodeLeadBytes(view->codes, view->codeCount, n);
    Bytes second;
    for (std::size_t p = 0; p < view->secondBytePairCount; ++p) {
        const std::uint8_t* pair = view->secondBytePairs + p * codec::kSecondBytePairSize;
        second.insert(second.end(), pair[1], pair[0]);
        if (second.size() > n) {
            break;  // already inconsistent; do not let a hostile block grow this further
        }
    }
    Words secondWords;
    for (std::size_t p = 0; p < view->secondWordPairCount; ++p) {
        const std::uint8_t* pair = view->secondWordPairs + p * codec::kSecondWordPairSize;
        secondWords.insert(secondWords.end(), readU16(pair + 2), readU16(pair));
        if (secondWords.size() > n) {
            break;  // already inconsistent; do not let a hostile block grow this further
        }
    }
    if (!lead || second.size() != n || secondWords.size() != n) {
        return -1;
    }
    T1DimByteArr records(n * kRecordSize);
    for (std::size_t i = 0; i < n; ++i) {
        std::uint8_t* record = &records[i * kRecordSize];
        record[kLeadByteOffset] = (*lead)[i];
        record[kSecondByteOffset] = second[i];
        codec::writeU16(record + kFirstWordOffset, readU16(view->firstWords + i * 2));
        codec::writeU16(record + kSecondWordOffset, secondWords[i]);
    }
    buffer.swap(records);
    return static_cast<std::int32_t>(n * kRecordSize);
}

}  // namespace kvo::reference
