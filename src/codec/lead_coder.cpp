#include "codec/lead_coder.h"

#include <algorithm>
#include <array>

#include "codec/lex_index.h"
#include "model/types4kvo.h"

namespace kvo::codec {

namespace {

// Every learning step defines a code until the dictionary is full, so learning only ever looks
// at the first 128 windows: LeadBytes 0..138, zero-filled past the end of a short block.
constexpr std::size_t kLearningSpan = kDictionaryCodes + kWindowSize;

// The plain dictionary behind the same interface, for code streams whose raw opening holds bytes
// of 128 or more: only the plain model defines what such a stream decodes to.
class PlainLearner {
  public:
    bool full() const { return lex_.freerow > kFirstDictionaryCode + kDictionaryCodes - 1; }
    void learn(const std::uint8_t* w) {
        lex_.smalbuffer.Add(w, kWindowSize);
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
                 std::uint8_t* records, ProgressSteps* steps) {
    Learner lex;
    // Learning needs the last 12 LeadBytes side by side; records hold them 6 bytes apart.
    std::array<std::uint8_t, kWindowSize> window{};
    std::copy_n(codes, kWindowSize, window.begin());
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
                lex.learn(window.data());
            }
            const std::uint8_t leadByte = lex.symbol(code, j);
            records[produced * kRecordSize] = leadByte;
            ++produced;
            std::copy(window.begin() + 1, window.end(), window.begin());
            window.back() = leadByte;
        }
    }
    for (; i < codeCount; ++i) {
        const std::uint8_t code = codes[i];
        const std::size_t length = lex.length(code);
        if (length == 0 || length > n - produced) {
            return false;
        }
        if (steps != nullptr) {
            steps->at(produced);
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

std::size_t encodeLeadBytes(std::uint8_t* leadBytes, std::size_t n, ProgressSteps* steps) {
    // Codes overwrite the stream from its start; code number c never passes LeadByte c, and the
    // learning windows read from a copy of the head.
    std::array<std::uint8_t, kLearningSpan> head{};
    std::copy_n(leadBytes, std::min(n, head.size()), head.begin());
    LexIndex lex;
    for (std::size_t e = 0; e < kWindowSize; ++e) {
        lex.learn(&head[e]);  // the twelve raw codes stay where they are
    }
    // Periodic streams repeat their code sequence; the code that followed the previous one last
    // time is tried first.
    std::array<std::uint8_t, 256> following{};
    std::uint8_t previous = 0;
    std::size_t count = kWindowSize;
    // k is the next LeadByte to enter the window; the code being chosen starts at k - 12.
    std::size_t k = 2 * kWindowSize;
    const auto emit = [&](std::size_t start) {
        const LexMatch match = lex.longestStringCodeCutFrom(leadBytes + start, following[previous]);
        following[previous] = match.code;
        previous = match.code;
        leadBytes[count++] = match.code;
        return match.length;
    };
    while (k < n && !lex.full()) {
        const std::size_t start = k - kWindowSize;
        const std::size_t length = emit(start);
        for (std::size_t q = start; q < start + length && !lex.full(); ++q) {
            lex.learn(&head[q]);
        }
        k += length;
    }
    while (k < n) {
        if (steps != nullptr) {
            steps->at(k);
        }
        k += emit(k - kWindowSize);
    }
    for (std::size_t p = k - kWindowSize; p < n; ++p) {
        leadBytes[count++] = leadBytes[p];
    }
    return count;
}

bool decodeLeadBytes(const std::uint8_t* codes, std::size_t codeCount, std::size_t n,
                     std::uint8_t* records, ProgressSteps* steps) {
    if (codeCount < kWindowSize || n < kWindowSize) {
        return false;
    }
    bool plainOpening = true;
    for (std::size_t i = 0; i < kWindowSize; ++i) {
        records[i * kRecordSize] = codes[i];
        plainOpening = plainOpening && codes[i] < kFirstDictionaryCode;
    }
    return plainOpening ? decodeCodes<LexIndex>(codes, codeCount, n, records, steps)
                        : decodeCodes<PlainLearner>(codes, codeCount, n, records, steps);
}

}  // namespace kvo::codec
