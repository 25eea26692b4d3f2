#pragma once
// Coding of the LeadByte stream. Both directions must perform the same learning steps in the
// same order, each on the 12 LeadBytes starting at the step's number.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "codec/kvoarchiver.h"
#include "codec/progress_steps.h"

namespace kvo::codec {

// Replaces the n >= 12 LeadBytes (all below 128) with their code stream, which is never longer;
// returns its length.
std::size_t encodeLeadBytes(std::uint8_t* leadBytes, std::size_t n, ProgressSteps* steps = nullptr);
// Decodes the code stream into the LeadBytes of n records (every 6th byte of `records`); false
// unless it yields exactly n.
bool decodeLeadBytes(const std::uint8_t* codes, std::size_t codeCount, std::size_t n,
                     std::uint8_t* records);

class LexIndex;
class PlainLearner;

// Decodes a code stream a stretch of records at a time, so a block can be restored through a
// window that stays in cache; a code may give its LeadBytes across two stretches.
class LeadByteDecoder {
  public:
    LeadByteDecoder();
    ~LeadByteDecoder();
    LeadByteDecoder(const LeadByteDecoder&) = delete;
    LeadByteDecoder& operator=(const LeadByteDecoder&) = delete;

    // Starts on the stream of n records; false when it cannot open with 12 raw LeadBytes.
    bool open(const std::uint8_t* codes, std::size_t codeCount, std::size_t n);
    // The LeadBytes of the next `count` records (every 6th byte of `records`); false when the
    // stream holds a code it cannot know or runs past n records.
    bool next(std::uint8_t* records, std::size_t count);
    // All n records given and every code used.
    bool complete() const { return produced_ == n_ && next_ == codeCount_ && symbol_ == length_; }

  private:
    template <typename Learner>
    bool nextWith(Learner& lex, std::uint8_t* records, std::size_t count);

    std::unique_ptr<LexIndex> index_;      // for openings of LeadBytes below 128
    std::unique_ptr<PlainLearner> plain_;  // for any other opening
    const std::uint8_t* codes_ = nullptr;
    std::size_t codeCount_ = 0;
    std::size_t n_ = 0;
    std::size_t next_ = 0;      // next code to read
    std::size_t produced_ = 0;  // LeadBytes given so far
    std::uint8_t code_ = 0;     // the code being given
    std::size_t length_ = 0;    // its string length
    std::size_t symbol_ = 0;    // its LeadBytes given so far
    // The 12 latest LeadBytes, which learning needs side by side.
    std::array<std::uint8_t, kWindowSize> window_{};
};

}  // namespace kvo::codec
