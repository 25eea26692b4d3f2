#include "codec/reference_codec.h"

#include <vector>

#include "codec/block_codec.h"
#include "codec/block_format.h"
#include "codec/kvoarchiver.h"

namespace kvo::reference {

namespace {
constexpr std::uint8_t kFillByte = 0;  // stands in for LeadBytes past the end of the block

void learningStep(TLzwLex& lex) {
    lex.Expand(lex.LongestStringCode());
}
}  // namespace

std::size_t encodeLeadBytes(std::uint8_t* stream, std::size_t n) {
    const std::vector<std::uint8_t> leadBytes(stream, stream + n);
    const auto leadOrFill = [&](std::size_t k) { return k < n ? leadBytes[k] : kFillByte; };

    TLzwLex lex;
    std::size_t count = 0;
    lex.smalbuffer.Add(leadBytes.data(), kWindowSize);
    for (std::size_t e = 0; e < kWindowSize; ++e) {
        learningStep(lex);
        stream[count++] = lex.smalbuffer.X(0);
        const std::uint8_t next = leadOrFill(e + kWindowSize);
        lex.smalbuffer.Add(&next, 1);
    }
    std::size_t k = 2 * kWindowSize;
    while (k < n) {
        const std::int32_t x = lex.LongestStringCode_cut();
        const std::uint8_t length = lex.getlength(x);
        stream[count++] = static_cast<std::uint8_t>(x);
        for (std::uint8_t j = 0; j < length; ++j) {
            learningStep(lex);
            const std::uint8_t next = leadOrFill(k);
            lex.smalbuffer.Add(&next, 1);
            ++k;
        }
    }
    const std::size_t tail = n + kWindowSize - k;
    for (std::uint32_t i = 0; i < tail; ++i) {
        stream[count++] = lex.smalbuffer.X(i);
    }
    return count;
}

bool decodeLeadBytes(const std::uint8_t* codes, std::size_t codeCount, std::size_t n,
                     std::uint8_t* records) {
    if (codeCount < kWindowSize || n < kWindowSize) {
        return false;
    }
    TLzwLex lex;
    lex.smalbuffer.Add(codes, kWindowSize);
    for (std::size_t i = 0; i < kWindowSize; ++i) {
        records[i * kRecordSize] = codes[i];
    }
    std::size_t produced = kWindowSize;
    for (std::size_t i = kWindowSize; i < codeCount; ++i) {
        const std::uint8_t x = codes[i];
        const std::uint8_t length = lex.getlength(x);
        if (length == 0) {
            return false;  // never emitted: the encoder only uses codes the decoder has
        }
        for (std::uint8_t j = 0; j < length; ++j) {
            learningStep(lex);
            if (produced == n) {
                return false;
            }
            const std::uint8_t leadByte = lex.Getsymbol(x, j);
            records[produced * kRecordSize] = leadByte;
            ++produced;
            lex.smalbuffer.Add(&leadByte, 1);
        }
    }
    return produced == n;
}

std::int32_t CompressBlock(T1DimByteArr& buffer, std::int32_t byteCount) {
    return codec::compressBlockWith(buffer, byteCount, &encodeLeadBytes);
}

std::int32_t RestoreBlock(T1DimByteArr& buffer) {
    return codec::restoreBlockWith(buffer, &decodeLeadBytes);
}

}  // namespace kvo::reference
