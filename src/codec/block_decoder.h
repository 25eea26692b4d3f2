#pragma once
// Restores a compressed block a stretch of records at a time. Each stretch is finished field by
// field while it is still in cache, so a large block costs one pass over its records instead of
// one per field, and a caller can check or write the records without holding all of them.

#include <cstddef>
#include <cstdint>

#include "codec/lead_coder.h"
#include "codec/run_length.h"

namespace kvo {

class BlockDecoder {
  public:
    // Records per stretch that keep one stretch's four field passes in the first cache levels.
    static constexpr std::size_t kStretchRecords = 8192;

    // Starts on the block at the start of data[0, available); false when its lengths or run
    // counts show it damaged. Nothing is decoded yet.
    bool open(const std::uint8_t* data, std::size_t available);

    std::size_t records() const { return records_; }
    std::size_t remaining() const { return records_ - decoded_; }

    // Restores the next `count` records (at most remaining()) into out; false when the block
    // turns out damaged. The last stretch also checks that the code stream is used up.
    bool next(std::uint8_t* out, std::size_t count);

  private:
    std::size_t records_ = 0;
    std::size_t decoded_ = 0;
    const std::uint8_t* firstWords_ = nullptr;
    codec::RunReader<std::uint8_t> secondBytes_;
    codec::RunReader<std::uint16_t> secondWords_;
    codec::LeadByteDecoder leadBytes_;
};

}  // namespace kvo
