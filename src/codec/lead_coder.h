#pragma once
// Coding of the LeadByte stream. Both directions must perform the same learning steps in the
// same order, each on the 12 LeadBytes starting at the step's number.

#include <cstddef>
#include <cstdint>

#include "codec/progress_steps.h"

namespace kvo::codec {

// Replaces the n >= 12 LeadBytes (all below 128) with their code stream, which is never longer;
// returns its length.
std::size_t encodeLeadBytes(std::uint8_t* leadBytes, std::size_t n, ProgressSteps* steps = nullptr);
// Decodes the code stream into the LeadBytes of n records (every 6th byte of `records`); false
// unless it yields exactly n.
bool decodeLeadBytes(const std::uint8_t* codes, std::size_t codeCount, std::size_t n,
                     std::uint8_t* records, ProgressSteps* steps = nullptr);

}  // namespace kvo::codec
