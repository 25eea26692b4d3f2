#pragma once
// The passes of compression over the records where they lie: one read-only split into LeadBytes
// and run pairs, then the FirstWords moved to their place over the records.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codec/run_length.h"

namespace kvo::codec {

struct RecordSplit {
    bool codable = false;                   // every LeadByte below 128
    std::vector<std::uint8_t> secondBytes;  // run pair sections, exactly as stored
    std::vector<std::uint8_t> secondWords;
};

// Copies the LeadBytes of records side by side and builds both run pair arrays, taking the
// records a stretch at a time so they need not be held at once; the records are only read.
class RecordSplitter {
  public:
    // Starts on n >= 1 records whose LeadBytes go to leadBytes[0, n); `split` keeps its memory.
    void start(std::size_t n, std::uint8_t* leadBytes, RecordSplit& split);
    // The next `count` records (the split must not pass n).
    void add(const std::uint8_t* records, std::size_t count);
    // After all n records: closes the last pairs and tells whether every LeadByte is codable.
    void finish();

  private:
    std::size_t n_ = 0;
    std::size_t done_ = 0;
    std::uint8_t* leadBytes_ = nullptr;
    RecordSplit* split_ = nullptr;
    std::uint8_t leadBits_ = 0;
    RunCursor<std::uint8_t> secondBytes_;
    RunCursor<std::uint16_t> secondWords_;
};

// Packs the FirstWords of n records at `out`, which may lie over the records starting at most
// 4 bytes past them: each group of records is read before anything is written over it.
void packFirstWords(const std::uint8_t* records, std::size_t n, std::uint8_t* out);

}  // namespace kvo::codec
