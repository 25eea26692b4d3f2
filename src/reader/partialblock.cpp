#include "reader/partialblock.h"

#include <algorithm>

#include "model/fileformat.h"
#include "platform/largebuffer.h"

namespace kvo::reader {

bool PartialBlock::start(std::size_t block, std::uint64_t records) {
    fBlock.reset();
    if (!fDecoder->open(fStored.data(), fStored.size()) || fDecoder->records() != records) {
        return false;
    }
    const auto bytes = static_cast<std::size_t>(records * kRecordSize);
    if (fRecords.capacity() < bytes) {
        fRecords.clear();
        ReserveLarge(fRecords, bytes);  // no moving later, faulted in only as far as restored
    }
    fRecords.clear();
    fBlock = block;
    return true;
}

bool PartialBlock::restoreUpTo(std::uint64_t records) {
    while (restored() < records) {
        const std::size_t count = std::min(BlockDecoder::kStretchRecords, fDecoder->remaining());
        const std::size_t at = fRecords.size();
        fRecords.resize(at + count * kRecordSize);
        if (!fDecoder->next(fRecords.data() + at, count)) {
            fBlock.reset();
            return false;
        }
    }
    return true;
}

}  // namespace kvo::reader
