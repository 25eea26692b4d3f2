#pragma once
// The block routines written step by step: streams split into arrays, the plain TLzwLex scans,
// plain run-length coding. Slow; kept as the yardstick that the shipped routines must match
// byte for byte (tests, fuzz targets, benchmark). Same contract as CompressBlock/RestoreBlock.

#include <cstdint>

#include "model/types4kvo.h"

namespace kvo::reference {

std::int32_t CompressBlock(T1DimByteArr& buffer, std::int32_t byteCount);
std::int32_t RestoreBlock(T1DimByteArr& buffer);

}  // namespace kvo::reference
