#pragma once
// The checks a compression makes before its file gets a name: the format has no checksum, so a
// wrong block written now could never be told from a right one later.

#include <cstdint>
#include <string>

#include "model/types4kvo.h"
#include "platform/filestream.h"

namespace kvo {

// Whether `coded` decodes back to exactly the `bytes` bytes of records; `scratch` receives the
// decoded records.
bool DecodesBackTo(const std::uint8_t* records, std::size_t bytes, const T1DimByteArr& coded,
                   T1DimByteArr& scratch);

// Walks the blocks of a written compressed file from its passport to its end; a ConvertError of
// Kind::Verification naming `what` unless it holds exactly `blocks` blocks of `records` records.
void RequireWalksTo(FileStream& written, std::uint32_t passportLength, std::uint64_t blocks,
                    std::uint64_t records, const std::string& what);

}  // namespace kvo
