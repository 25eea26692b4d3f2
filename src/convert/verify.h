#pragma once
// The checks a compression makes before its file gets a name: the format has no checksum, so a
// wrong block written now could never be told from a right one later.

#include <cstdint>
#include <functional>
#include <string>

#include "codec/progress_steps.h"
#include "model/types4kvo.h"
#include "platform/filestream.h"

namespace kvo {

// The `count` bytes of the original records from byte `offset` on, in memory that stays valid
// until the next call: the records need not be held, they can be read again.
using OriginalRecords = std::function<const std::uint8_t*(std::size_t offset, std::size_t count)>;

// Whether `coded` decodes back to exactly the `bytes` bytes of original records; `scratch`
// receives the decoded records a batch at a time. `progress`, when given, hears of the decoding.
bool DecodesBackTo(const OriginalRecords& original, std::size_t bytes, const T1DimByteArr& coded,
                   T1DimByteArr& scratch, const CodecProgress* progress = nullptr);

// Walks the blocks of a written compressed file from its passport to its end; a ConvertError of
// Kind::Verification naming `what` unless it holds exactly `blocks` blocks of `records` records.
void RequireWalksTo(FileStream& written, std::uint32_t passportLength, std::uint64_t blocks,
                    std::uint64_t records, const std::string& what);

}  // namespace kvo
