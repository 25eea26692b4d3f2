#pragma once
// Where the data area of an opened file begins and how long it is.

#include <cstdint>

#include "platform/filestream.h"

namespace kvo {

// File size minus passportLength; a file shorter than its passport is an error that names it.
std::uint64_t DataAreaSize(const FileStream& source, std::uint32_t passportLength);

}  // namespace kvo
