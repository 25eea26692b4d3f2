#pragma once
// Shared array types and name tables of the recording file model.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "model/fileformat.h"
#include "model/mystrings.h"

namespace kvo {

// Carries one block between a command and the codec; any plain byte vector will do.
using T1DimByteArr = std::vector<std::uint8_t>;

// The "big" arrays only bound an index; memory behind their pointers is owned elsewhere.
inline constexpr std::size_t kBigArrLength = 268435455;  // 2^28 - 1
using TbigByteArr = std::uint8_t[kBigArrLength];
using TPbigByteArr = std::uint8_t*;
using TbigDblArr = double[kBigArrLength];
using TPbigDblArr = double*;

// Indexed by ChannelType; a ChannelType of ChannelTypeNames.size() or more has no name.
inline constexpr std::array<std::string_view, 9> ChannelTypeNames{
    mystrings::sChannelTypeRoot,
    mystrings::sChannelTypePeripheral,
    mystrings::sChannelTypeLeadingEdge,
    mystrings::sChannelTypeTrailingEdge,
    mystrings::sChannelTypeOncePerRevolution,
    mystrings::sChannelTypeRootCapacitive,
    mystrings::sChannelTypePeripheralCapacitive,
    mystrings::sChannelTypeCommonTime,
    "IRIG-B",
};

inline constexpr std::array<std::string_view, 6> EventNames{
    mystrings::sEventRunUpStart, mystrings::sEventRunUpEnd,   mystrings::sEventRunDownStart,
    mystrings::sEventRunDownEnd, mystrings::sEventProcessing, mystrings::sEventSetup,
};

// Sunday first.
inline constexpr std::array<std::string_view, 7> WeekDayNames{
    mystrings::sSunday,   mystrings::sMonday, mystrings::sTuesday,  mystrings::sWednesday,
    mystrings::sThursday, mystrings::sFriday, mystrings::sSaturday,
};

inline constexpr std::string_view ChannelPrefix = mystrings::sChannelPrefix;

// Comma-separated quantity names; the units tables follow their order.
inline constexpr std::string_view QuantityList1 = mystrings::sQuantityList1;
inline constexpr std::array<std::string_view, 6> QuantityUnits1{
    mystrings::sUnitMillimetre,
    mystrings::sUnitMillimetre,
    mystrings::sUnitMillimetrePerSecond,
    mystrings::sUnitStress,
    "",
    "плотность",
};

inline constexpr std::string_view QuantityList2 = mystrings::sQuantityList2;
inline constexpr std::array<std::string_view, 7> QuantityUnits2{
    mystrings::sUnitMillimetre,
    mystrings::sUnitMillimetre,
    mystrings::sUnitMillimetrePerSecond,
    mystrings::sUnitStress,
    "",
    "",
    "",
};

}  // namespace kvo
