#pragma once
// One compressed block restored only as far as reads have needed it: its records are restored a
// stretch at a time, and a later read further into the block goes on from there instead of
// starting again. A random slice of a 64 MiB block costs the records up to its end, not the block.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "codec/block_decoder.h"
#include "model/types4kvo.h"

namespace kvo::reader {

class PartialBlock {
  public:
    // Where the next block's stored bytes are read before start(); kept while it is restored.
    T1DimByteArr& stored() noexcept { return fStored; }

    // Starts on `block`, whose stored bytes are in stored() and which holds `records` records;
    // false when the bytes show it damaged. Nothing is restored yet.
    bool start(std::size_t block, std::uint64_t records);
    bool holds(std::size_t block) const noexcept { return fBlock == block; }
    void forget() noexcept { fBlock.reset(); }

    // Restores whole stretches until at least `records` records (from the block's first) are
    // restored; false when the block turns out damaged.
    bool restoreUpTo(std::uint64_t records);
    // The records restored so far, from the block's first.
    const std::uint8_t* records() const noexcept { return fRecords.data(); }
    std::uint64_t restored() const noexcept { return fDecoder->records() - fDecoder->remaining(); }

  private:
    std::optional<std::size_t> fBlock;
    T1DimByteArr fStored;
    T1DimByteArr fRecords;
    // Points into fStored, whose heap buffer stays put when a Recording is moved.
    std::unique_ptr<BlockDecoder> fDecoder = std::make_unique<BlockDecoder>();
};

}  // namespace kvo::reader
