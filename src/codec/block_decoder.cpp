#include "codec/block_decoder.h"

#include <algorithm>
#include <cstring>

#include "codec/block_format.h"

namespace kvo {

using namespace codec;  // the block layout and field helpers

bool BlockDecoder::open(const std::uint8_t* data, std::size_t available) {
    const auto view = viewBlock(data, available);
    // Both run streams must add up to the record count, which must fit a 32-bit result.
    if (!view || view->records > kMostRecords ||
        sumRunCounts<std::uint8_t>(view->secondBytePairs, view->secondBytePairCount) !=
            view->records ||
        sumRunCounts<std::uint16_t>(view->secondWordPairs, view->secondWordPairCount) !=
            view->records ||
        !leadBytes_.open(view->codes, view->codeCount, view->records)) {
        records_ = decoded_ = 0;
        return false;
    }
    records_ = view->records;
    decoded_ = 0;
    firstWords_ = view->firstWords;
    secondBytes_ = {view->secondBytePairs, view->secondBytePairCount};
    secondWords_ = {view->secondWordPairs, view->secondWordPairCount};
    return true;
}

bool BlockDecoder::next(std::uint8_t* out, std::size_t count) {
    if (count > remaining()) {
        return false;
    }
    // Everything but the LeadBytes in one pass: each record is one 8-byte store that reaches
    // into the next record, whose own store then overwrites it. The stretch's last record is
    // stored narrower, so nothing behind the stretch is touched. The LeadBytes follow.
    const std::uint8_t* words = firstWords_ + decoded_ * kFirstWordSize;
    std::size_t i = 0;
    while (i < count) {
        if (!secondBytes_.ensure() || !secondWords_.ensure()) {
            return false;
        }
        const std::size_t span = std::min({count - i, secondBytes_.left(), secondWords_.left()});
        const std::uint64_t fixed =
            (std::uint64_t{secondBytes_.value()} << (8 * kSecondByteOffset)) |
            (std::uint64_t{secondWords_.value()} << (8 * kSecondWordOffset));
        const std::size_t last = i + span;
        const std::size_t wide = last == count ? last - 1 : last;
        for (; i < wide; ++i) {
            storeLE(out + i * kRecordSize,
                    fixed | (std::uint64_t{readU16(words + i * kFirstWordSize)}
                             << (8 * kFirstWordOffset)));
        }
        if (i < last) {
            const std::uint64_t record = fixed | (std::uint64_t{readU16(words + i * kFirstWordSize)}
                                                  << (8 * kFirstWordOffset));
            storeLE(out + i * kRecordSize, static_cast<std::uint32_t>(record));
            storeLE(out + i * kRecordSize + 4, static_cast<std::uint16_t>(record >> 32));
            ++i;
        }
        secondBytes_.take(span);
        secondWords_.take(span);
    }
    if (!leadBytes_.next(out, count)) {
        return false;
    }
    decoded_ += count;
    return decoded_ < records_ || leadBytes_.complete();
}

}  // namespace kvo
