#pragma once
// Compresses a block from records handed over a stretch at a time, so a large block is coded
// while each stretch is in cache and its records need not be held at once. The FirstWords go to
// their place in the block as the records come; the other sections follow at the end.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "codec/progress_steps.h"
#include "codec/record_fields.h"
#include "model/types4kvo.h"

namespace kvo {

class BlockEncoder {
  public:
    // Starts a block of n records coded into `block`. A block whose capacity was reserved for
    // the largest coded block never moves; the encoder's own memory is reused from block to
    // block. With `recordsInBlock`, the records lie at the start of `block` and add() only reads
    // them: their FirstWords are packed over them by finish(), once the block is known to code.
    // `progress`, when given, hears of the records added (the first 40% of the work) and of the
    // LeadByte coding, in steps of at most 1% of the block; it must outlive the block's coding.
    void start(std::size_t n, T1DimByteArr& block, bool recordsInBlock = false,
               const CodecProgress* progress = nullptr);
    // The next `count` records; all n must be added, in order, before finish(). Records beyond
    // n are refused, and so is the block.
    void add(const std::uint8_t* records, std::size_t count);
    // Codes the LeadBytes and writes the other sections. Returns the block's length (`block` may
    // stay longer), or -1 for fewer than 12 records, a LeadByte of 128 or more or a block that
    // would not fit a 32-bit length, or records added short of n or past it; `block` is then
    // untouched with `recordsInBlock`, and holds anything without it.
    // A coded block tells its progress's end.
    std::int32_t finish();

  private:
    std::size_t n_ = 0;
    std::size_t added_ = 0;
    bool overrun_ = false;
    T1DimByteArr* block_ = nullptr;
    bool recordsInBlock_ = false;
    const CodecProgress* progress_ = nullptr;
    std::optional<codec::ProgressSteps> adding_;
    T1DimByteArr leadBytes_;  // later their code stream, in the same place
    codec::RecordSplit split_;
    codec::RecordSplitter splitter_;
};

}  // namespace kvo
