#pragma once
// Saving what a damaged compressed file still holds. Restoring stops at the first damaged block
// and writes nothing; salvaging writes every block that decodes, in order, and says what it lost.

#include <cstdint>
#include <string>
#include <vector>

#include "convert/convertfile.h"

namespace kvo {

// One stretch of the compressed file that did not restore.
struct SalvageGap {
    std::uint64_t block = 0;      // the block where it begins, counted from 0
    std::uint64_t fileStart = 0;  // byte range [fileStart, fileEnd) of the compressed file
    std::uint64_t fileEnd = 0;
    std::uint64_t firstRecord = 0;  // the records of the output that stand in for it
    std::uint64_t records = 0;      // zero records written; 0 when their count is unknown
    bool filled = false;  // true: the records after it keep their positions; false: they moved up
};

struct SalvageReport {
    std::uint64_t blocksRestored = 0;
    std::uint64_t recordsWritten = 0;  // the zero records of filled gaps included
    std::uint64_t bytesWritten = 0;    // passport included
    std::vector<SalvageGap> gaps;
};

// Writes the passport and every block that decodes. A damaged block whose lengths still hold
// together becomes as many zero records as it announces. Where the lengths are broken, the search
// resumes at the next offset where a whole block decodes; the lost records are filled in when their
// count can be told from the bytes in between. Nothing at all restorable is a ConvertError of
// Kind::Damaged and writes nothing.
SalvageReport SalvageFile(FileStream& source, std::uint32_t passportLength,
                          const std::string& targetPath, const ProgressFn& progress,
                          const RunOptions& options = {});

}  // namespace kvo
