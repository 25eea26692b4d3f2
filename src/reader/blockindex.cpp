#include "reader/blockindex.h"

#include <algorithm>

#include "convert/blockplan.h"
#include "model/fileformat.h"

namespace kvo::reader {

BlockIndex BlockIndex::OfCompressed(FileStream& source, std::uint32_t passportLength) {
    BlockIndex index;
    index.fDamaged = ForEachStoredBlock(source, passportLength, [&index](const StoredBlock& block) {
        index.append(block.offset, block.length, block.records);
        return true;
    });
    return index;
}

BlockIndex BlockIndex::OfRecording(std::uint32_t passportLength, std::uint64_t dataSize) {
    BlockIndex index;
    if (dataSize < kRecordSize) {
        return index;  // the default plan of an area without a whole record is one empty block
    }
    const BlockPlan plan = DefaultBlocks(dataSize);
    std::uint64_t offset = passportLength;
    for (std::uint64_t block = 0; block < plan.blockCount(); ++block) {
        const std::uint64_t size = block < plan.fullBlocks ? plan.blockSize : plan.lastBlockSize;
        index.append(offset, size, size / kRecordSize);
        offset += size;
    }
    return index;
}

std::size_t BlockIndex::blockOf(std::uint64_t record) const {
    const auto after =
        std::upper_bound(fEntries.begin(), fEntries.end(), record,
                         [](std::uint64_t r, const BlockEntry& e) { return r < e.firstRecord; });
    return static_cast<std::size_t>(after - fEntries.begin()) - 1;
}

void BlockIndex::append(std::uint64_t offset, std::uint64_t storedLength, std::uint64_t records) {
    fEntries.push_back({offset, storedLength, fRecords, records});
    fRecords += records;
}

}  // namespace kvo::reader
