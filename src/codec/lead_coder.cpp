#include "codec/lead_coder.h"

#include <algorithm>
#include <array>

#include "codec/block_format.h"
#include "codec/lex_index.h"

namespace kvo::codec {

namespace {

constexpr std::ptrdiff_t kStride = kRecordSize;
// Every learning step defines a code until the dictionary is full, so learning only ever looks
// at the first 128 windows: LeadBytes 0..138, zero-filled past the end of a short block.
constexpr std::size_t kLearningSpan = kDictionaryCodes + kWindowSize;

// The plain dictionary behind the same interface, for code streams whose raw opening holds bytes
// of 128 or more: only the plain model defines what such a stream decodes to.
class PlainLearner {
  public:
    bool full() const { return lex_.freerow > kFirstDictionaryCode + kDictionaryCodes - 1; }
    void learn(const std::uint8_t* w, std::ptrdiff_t stride) {
        std::array<std::uint8_t, kWindowSize> window{};
        for (std::size_t i = 0; i < window.size(); ++i) {
            window[i] = w[static_cast<std::ptrdiff_t>(i) * stride];
        }
        lex_.smalbuffer.Add(window.data(), kWindowSize);
        lex_.Expand(lex_.LongestStringCode());
    }
    std::uint8_t length(std::uint8_t code) const { return lex_.getlength(code); }
    std::uint8_t symbol(std::uint8_t code, std::size_t ind) const {
        return lex_.Getsymbol(code, static_cast<std::int32_t>(ind));
    }

  private:
    TLzwLex lex_;
};

// Codes past the raw opening: each yields `length` LeadBytes, each preceded by a learning step
// on the 12 LeadBytes before it. Learning stops mattering once the dictionary is full. A code
// the dictionary does not hold can only come from damage.
template <typename Learner>
bool decodeCodes(const std::uint8_t* codes, std::size_t codeCount, std::size_t n,
                 std::uint8_t* records) {
    Learner lex;
    std::size_t produced = kWindowSize;
    std::size_t i = kWindowSize;
    for (; i < codeCount && !lex.full(); ++i) {
        const std::uint8_t code = codes[i];
        const std::size_t length = lex.length(code);
        if (length == 0 || length > n - produced) {
            return false;
        }
        for (std::size_t j = 0; j < length; ++j) {
            if (!lex.full()) {
                lex.learn(records + (produced - kWindowSize) * kRecordSize, kStride);
            }
            records[produced * kRecordSize] = lex.symbol(code, j);
            ++produced;
        }
    }
    for (; i < codeCount; ++i) {
        const std::uint8_t code = codes[i];
        const std::size_t length = lex.length(code);
        if (length == 0 || length > n - produced) {
            return false;
        }
        std::uint8_t* out = records + produced * kRecordSize;
        for (std::size_t j = 0; j < length; ++j) {
            out[j * kRecordSize] = lex.symbol(code, j);
        }
        produced += length;
    }
    return produced == n;
}

}  // namespace

std::size_t encodeLeadBytes(const std::uint8_t* records, std::size_t n, std::uint8_t* codes) {
    std::array<std::uint8_t, kLearningSpan> head{};
    for (std::size_t i = 0; i < std::min(n, head.size()); ++i) {
        head[i] = records[i * kRecordSize];
    }
    LexIndex lex;
    std::size_t count = 0;
    for (std::size_t e = 0; e < kWindowSize; ++e) {
        lex.learn(&head[e], 1);
        codes[count++] = head[e];
    }
    // k is the next LeadByte to enter the window; the code being chosen starts at k - 12.
    std::size_t k = 2 * kWindowSize;
    while (k < n) {
        const std::size_t start = k - kWindowSize;
        const LexMatch match = lex.longestStringCodeCut(records + start * kRecordSize, kStride);
        codes[count++] = match.code;
        for (std::size_t q = start; q < start + match.length && !lex.full(); ++q) {
            lex.learn(&head[q], 1);
        }
        k += match.length;
    }
    for (std::size_t p = k - kWindowSize; p < n; ++p) {
        codes[count++] = records[p * kRecordSize];
    }
    return count;
}

bool decodeLeadBytes(const std::uint8_t* codes, std::size_t codeCount, std::size_t n,
                     std::uint8_t* records) {
    if (codeCount < kWindowSize || n < kWindowSize) {
        return false;
    }
    bool plainOpening = true;
    for (std::size_t i = 0; i < kWindowSize; ++i) {
        records[i * kRecordSize] = codes[i];
        plainOpening = plainOpening && codes[i] < kFirstDictionaryCode;
    }
    return plainOpening ? decodeCodes<LexIndex>(codes, codeCount, n, records)
                        : decodeCodes<PlainLearner>(codes, codeCount, n, records);
}

}  // namespace kvo::codec
