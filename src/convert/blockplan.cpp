#include "convert/blockplan.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "model/fileformat.h"

namespace kvo {

BlockPlan EqualBlocks(std::uint64_t dataSize, std::uint64_t blockSize) {
    return {blockSize, blockSize == 0 ? 0 : dataSize / blockSize, 0};
}

BlockPlan CoveringBlocks(std::uint64_t dataSize, std::uint64_t blockSize) {
    if (blockSize < kMinBlockSize) {
        throw std::invalid_argument("block size " + std::to_string(blockSize) +
                                    " is below the 72 bytes of the smallest block");
    }
    const std::uint64_t records = dataSize / kRecordSize;
    const std::uint64_t blockRecords = blockSize / kRecordSize;
    BlockPlan plan{blockSize, records / blockRecords, (records % blockRecords) * kRecordSize};
    if (plan.lastBlockSize != 0 && plan.lastBlockSize < kMinBlockSize && plan.fullBlocks > 0) {
        --plan.fullBlocks;
        plan.lastBlockSize += blockSize;
    }
    return plan;
}

BlockPlan DefaultBlocks(std::uint64_t dataSize, std::uint64_t maxBlockSize) {
    // Half the bound must still hold the 12 records of the smallest block.
    maxBlockSize = std::max(maxBlockSize, 2 * kMinBlockSize);
    const std::uint64_t records = dataSize / kRecordSize;
    const std::uint64_t maxRecords = maxBlockSize / kRecordSize;
    if (records <= maxRecords) {
        return {records * kRecordSize, 1, 0};
    }
    const std::uint64_t minCount = (records + maxRecords - 1) / maxRecords;
    // Blocks below half the bound would cost more than one shorter final block.
    for (std::uint64_t count = minCount; records / count >= maxRecords / 2; ++count) {
        if (records % count == 0) {
            return {records / count * kRecordSize, count, 0};
        }
    }
    const std::uint64_t blockRecords = (records + minCount - 1) / minCount;
    return CoveringBlocks(dataSize, blockRecords * kRecordSize);
}

}  // namespace kvo
