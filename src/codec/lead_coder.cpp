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

}  // namespace

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

LeadByteDecoder::LeadByteDecoder() = default;
LeadByteDecoder::~LeadByteDecoder() = default;

bool LeadByteDecoder::open(const std::uint8_t* codes, std::size_t codeCount, std::size_t n) {
    if (codeCount < kWindowSize || n < kWindowSize) {
        return false;
    }
    codes_ = codes;
    codeCount_ = codeCount;
    n_ = n;
    next_ = kWindowSize;
    produced_ = 0;
    length_ = symbol_ = 0;
    std::copy_n(codes, kWindowSize, window_.begin());
    const bool plainOpening = std::all_of(window_.begin(), window_.end(),
                                          [](std::uint8_t c) { return c < kFirstDictionaryCode; });
    // Only the plain model defines what a stream opening with bytes of 128 or more decodes to.
    index_.reset();
    plain_.reset();
    if (plainOpening) {
        index_ = std::make_unique<LexIndex>();
    } else {
        plain_ = std::make_unique<PlainLearner>();
    }
    return true;
}

bool LeadByteDecoder::next(std::uint8_t* records, std::size_t count) {
    // The raw opening stands for itself.
    std::size_t k = 0;
    for (; k < count && produced_ < kWindowSize; ++k, ++produced_) {
        records[k * kRecordSize] = codes_[produced_];
    }
    records += k * kRecordSize;
    count -= k;
    return count == 0 ||
           (index_ ? nextWith(*index_, records, count) : nextWith(*plain_, records, count));
}

// Past the raw opening each code yields `length` LeadBytes, each preceded by a learning step on
// the 12 LeadBytes before it. Learning stops mattering once the dictionary is full. A code the
// dictionary does not hold can only come from damage.
template <typename Learner>
bool LeadByteDecoder::nextWith(Learner& lex, std::uint8_t* records, std::size_t count) {
    // The state is worked on in locals: stores through the byte pointer could alias members.
    std::size_t next = next_;
    std::size_t produced = produced_;
    std::uint8_t code = code_;
    std::size_t length = length_;
    std::size_t symbol = symbol_;
    std::uint8_t* out = records;
    std::size_t room = count;  // records of this stretch still to give
    // Reads the next code; false when there is none or it cannot be known here.
    const auto fetch = [&] {
        if (next == codeCount_) {
            return false;
        }
        code = codes_[next++];
        length = lex.length(code);
        symbol = 0;
        return length != 0 && length <= n_ - produced;
    };
    const auto give = [&](std::size_t take) {
        for (std::size_t j = 0; j < take; ++j) {
            out[j * kRecordSize] = lex.symbol(code, symbol + j);
        }
        out += take * kRecordSize;
        room -= take;
        symbol += take;
        produced += take;
    };
    bool intact = true;
    // While learning, every LeadByte follows a learning step on the 12 before it.
    while (room != 0 && !lex.full()) {
        if (symbol == length && !fetch()) {
            intact = false;
            break;
        }
        lex.learn(window_.data());
        const std::uint8_t leadByte = lex.symbol(code, symbol);
        std::copy(window_.begin() + 1, window_.end(), window_.begin());
        window_.back() = leadByte;
        give(1);
    }
    if (intact && room != 0) {
        give(std::min(length - symbol, room));
        while (room != 0) {
            if (!fetch()) {
                intact = false;
                break;
            }
            give(std::min(length, room));
        }
    }
    next_ = next;
    produced_ = produced;
    code_ = code;
    length_ = length;
    symbol_ = symbol;
    return intact;
}

bool decodeLeadBytes(const std::uint8_t* codes, std::size_t codeCount, std::size_t n,
                     std::uint8_t* records) {
    LeadByteDecoder decoder;
    return decoder.open(codes, codeCount, n) && decoder.next(records, n) && decoder.complete();
}

}  // namespace kvo::codec
