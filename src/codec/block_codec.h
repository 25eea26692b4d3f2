#pragma once
// The block routines around a pluggable LeadByte coder: record/section bookkeeping, run pairs,
// validation and the in-place or growing write of the result.

#include <cstdint>

#include "codec/lead_coder.h"
#include "model/types4kvo.h"

namespace kvo::codec {

std::int32_t compressBlockWith(T1DimByteArr& buffer, std::int32_t byteCount, LeadEncoder encode);
std::int32_t restoreBlockWith(T1DimByteArr& buffer, LeadDecoder decode);

}  // namespace kvo::codec
