#include "codec/block_decoder.h"

#include <cstring>
#include <limits>

#include "codec/block_format.h"

namespace kvo {

using namespace codec;  // the block layout and field helpers

bool BlockDecoder::open(const std::uint8_t* data, std::size_t available) {
    const auto view = viewBlock(data, available);
    constexpr std::size_t kMostRecords =
        static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()) / kRecordSize;
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
    storedLength_ = view->storedLength;
    firstWords_ = view->firstWords;
    secondBytes_ = {view->secondBytePairs, view->secondBytePairCount};
    secondWords_ = {view->secondWordPairs, view->secondWordPairCount};
    return true;
}

bool BlockDecoder::next(std::uint8_t* out, std::size_t count) {
    if (count > remaining()) {
        return false;
    }
    const std::uint8_t* words = firstWords_ + decoded_ * kFirstWordSize;
    for (std::size_t i = 0; i < count; ++i) {
        std::memcpy(out + i * kRecordSize + kFirstWordOffset, words + i * kFirstWordSize,
                    kFirstWordSize);
    }
    if (!secondBytes_.next(out, count) || !secondWords_.next(out, count) ||
        !leadBytes_.next(out, count)) {
        return false;
    }
    decoded_ += count;
    return decoded_ < records_ || leadBytes_.complete();
}

}  // namespace kvo
