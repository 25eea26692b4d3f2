#pragma once
// Coding of the LeadByte stream, read from and written to the records where they lie (every
// 6th byte). Both directions must perform the same learning steps in the same order.

#include <cstddef>
#include <cstdint>

namespace kvo::codec {

// Writes the code stream of the LeadBytes of n >= 12 records (all below 128) to codes, which has
// room for n bytes; returns its length.
using LeadEncoder = std::size_t (*)(const std::uint8_t* records, std::size_t n,
                                    std::uint8_t* codes);
// Decodes the code stream into the LeadBytes of n records; false unless it yields exactly n.
using LeadDecoder = bool (*)(const std::uint8_t* codes, std::size_t codeCount, std::size_t n,
                             std::uint8_t* records);

std::size_t encodeLeadBytes(const std::uint8_t* records, std::size_t n, std::uint8_t* codes);
bool decodeLeadBytes(const std::uint8_t* codes, std::size_t codeCount, std::size_t n,
                     std::uint8_t* records);

}  // namespace kvo::codec
