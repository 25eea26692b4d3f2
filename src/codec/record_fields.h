#pragma once
// The passes of compression over the records where they lie: one read-only split into LeadBytes
// and run pairs, then the FirstWords moved to their place over the records.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codec/progress_steps.h"

namespace kvo::codec {

struct RecordSplit {
    bool codable = false;                   // every LeadByte below 128
    std::vector<std::uint8_t> secondBytes;  // run pair sections, exactly as stored
    std::vector<std::uint8_t> secondWords;
};

// Copies the LeadBytes of n >= 1 records side by side and builds both run pair arrays; the
// records are only read.
RecordSplit splitRecords(const std::uint8_t* records, std::size_t n, std::uint8_t* leadBytes,
                         ProgressSteps* steps = nullptr);

// Packs the FirstWords of n records at `out`, which may lie over the records starting at most
// 4 bytes past them: each group of records is read before anything is written over it.
void packFirstWords(const std::uint8_t* records, std::size_t n, std::uint8_t* out);

}  // namespace kvo::codec
