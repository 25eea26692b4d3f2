#pragma once
// The block routines built step by step on the plain TLzwLex scans: slow, kept as the yardstick
// that the shipped routines must match byte for byte (tests, fuzz targets, benchmark).

#include <cstddef>
#include <cstdint>

#include "model/types4kvo.h"

namespace kvo::reference {

std::int32_t CompressBlock(T1DimByteArr& buffer, std::int32_t byteCount);
std::int32_t RestoreBlock(T1DimByteArr& buffer);

std::size_t encodeLeadBytes(std::uint8_t* leadBytes, std::size_t n);
bool decodeLeadBytes(const std::uint8_t* codes, std::size_t codeCount, std::size_t n,
                     std::uint8_t* records);

}  // namespace kvo::reference
