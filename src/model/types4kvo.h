#pragma once
// Shared array types of the recording file model.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvo {

// Carries one block between a command and the codec; any plain byte vector will do.
using T1DimByteArr = std::vector<std::uint8_t>;

// The "big" arrays only bound an index; memory behind their pointers is owned elsewhere.
inline constexpr std::size_t kBigArrLength = 268435455;  // 2^28 - 1
using TbigByteArr = std::uint8_t[kBigArrLength];
using TPbigByteArr = std::uint8_t*;
using TbigDblArr = double[kBigArrLength];
using TPbigDblArr = double*;

// One data record: LeadByte, SecondByte, FirstWord (LE), SecondWord (LE).
inline constexpr std::size_t kRecordSize = 6;

}  // namespace kvo
