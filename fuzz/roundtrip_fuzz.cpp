// Arbitrary records with codable LeadBytes: compressing and restoring gives them back, and the
// shipped compressor writes the same bytes as the step-by-step reference.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "codec/block_format.h"
#include "codec/kvoarchiver.h"
#include "codec/reference_codec.h"
#include "model/fileformat.h"
#include "require.h"

using kvo::fuzz::Require;

namespace {

// The reference codec searches linearly; larger blocks would only slow the fuzzer down.
constexpr std::size_t kMaxRecords = 2000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::size_t records = std::min(size / kvo::kRecordSize, kMaxRecords);
    if (records < kvo::codec::kMinRecords) {
        return -1;  // not a block the codec takes; keep it out of the corpus
    }
    kvo::T1DimByteArr original(data, data + records * kvo::kRecordSize);
    for (std::size_t at = 0; at < original.size(); at += kvo::kRecordSize) {
        original[at] &= 0x7F;
    }

    kvo::T1DimByteArr fast = original;
    const std::int32_t length = kvo::CompressBlock(fast, 0);
    Require(length > 0, "a block of codable records compresses");
    kvo::T1DimByteArr reference = original;
    Require(kvo::reference::CompressBlock(reference, 0) == length,
            "the reference compressor gives the same length");
    Require(std::equal(fast.begin(), fast.begin() + length, reference.begin()),
            "the reference compressor writes the same bytes");
    Require(kvo::StoredBlockLength(fast.data(), fast.size()) == length,
            "the stored length is the one returned");

    fast.resize(static_cast<std::size_t>(length));
    reference.resize(static_cast<std::size_t>(length));
    Require(kvo::RestoreBlock(fast) == static_cast<std::int32_t>(original.size()),
            "the block restores");
    Require(fast == original, "the records come back unchanged");
    Require(kvo::reference::RestoreBlock(reference) == static_cast<std::int32_t>(original.size()),
            "the reference decoder restores the block");
    Require(reference == original, "the reference decoder gives the records back");
    return 0;
}
