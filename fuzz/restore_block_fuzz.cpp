// Arbitrary bytes as one compressed block: either the records it announces, or a refusal that
// leaves the buffer as it was. The step-by-step reference decoder must give the same answer.

#include <cstddef>
#include <cstdint>

#include "codec/block_format.h"
#include "codec/kvoarchiver.h"
#include "codec/reference_codec.h"
#include "require.h"

using kvo::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const kvo::T1DimByteArr input(data, data + size);

    kvo::T1DimByteArr fast = input;
    const std::int32_t restored = kvo::RestoreBlock(fast);
    if (restored < 0) {
        Require(restored == -1, "a refusal returns -1");
        Require(fast == input, "a refused block leaves the buffer unchanged");
    } else {
        const std::uint32_t announced = kvo::codec::readU32(data);
        Require(static_cast<std::size_t>(restored) == fast.size(), "the buffer holds the records");
        Require(static_cast<std::uint32_t>(restored) == announced / 2 * 6,
                "the records are the ones section 1 announces");
        Require(announced % 2 == 0 && announced / 2 >= kvo::codec::kMinRecords,
                "a restored block has an even section 1 and 12 records or more");
        Require(kvo::StoredBlockLength(data, size) >= 0, "a restored block fits the bytes given");
    }

    kvo::T1DimByteArr reference = input;
    Require(kvo::reference::RestoreBlock(reference) == restored,
            "the reference decoder gives the same result");
    Require(reference == fast, "the reference decoder leaves the same bytes");
    return 0;
}
