#pragma once
// The two passes of compression over the records where they lie: a scan that sizes the block,
// and a split that writes the FirstWords and the run pairs.

#include <cstddef>
#include <cstdint>

namespace kvo::codec {

struct RecordScan {
    bool codable = false;  // every LeadByte below 128
    std::size_t secondBytePairs = 0;
    std::size_t secondWordPairs = 0;
};

// Counts the run pairs of n >= 1 records and copies their LeadBytes side by side.
RecordScan scanRecords(const std::uint8_t* records, std::size_t n, std::uint8_t* leadBytes);

// Writes the FirstWords and both pair arrays. firstWords may lie over the records, starting at
// most 4 bytes past them: record i is read before FirstWord i is written, and FirstWord i ends
// before record i + 1 begins. The pair arrays must not overlap the records.
void splitRecords(const std::uint8_t* records, std::size_t n, std::uint8_t* firstWords,
                  std::uint8_t* secondBytePairs, std::uint8_t* secondWordPairs);

}  // namespace kvo::codec
