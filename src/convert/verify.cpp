#include "convert/verify.h"

#include <cstring>

#include "codec/kvoarchiver.h"
#include "convert/converterror.h"
#include "convert/storedblocks.h"
#include "platform/russiancount.h"

namespace kvo {

bool DecodesBackTo(const OriginalRecords& original, std::size_t bytes, const T1DimByteArr& coded,
                   T1DimByteArr& scratch, const CodecProgress* progress) {
    // Compared a batch at a time while the batch is still in cache.
    std::size_t compared = 0;
    const std::int64_t length = RestoreBlockInBatches(
        coded.data(), coded.size(), scratch,
        [&](const std::uint8_t* batch, std::size_t count) {
            if (count > bytes - compared ||
                std::memcmp(batch, original(compared, count), count) != 0) {
                return false;
            }
            compared += count;
            return true;
        },
        progress);
    return length >= 0 && static_cast<std::size_t>(length) == bytes;
}

void RequireWalksTo(FileStream& written, std::uint32_t passportLength, std::uint64_t blocks,
                    std::uint64_t records, const std::string& what) {
    const StoredBlocks found = WalkStoredBlocks(written, passportLength);
    if (found.damaged || found.blocks != blocks || found.records != records) {
        throw ConvertError(ConvertError::Kind::Verification,
                           "Проверка записанного файла " + what + " не пройдена: найдено " +
                               CountOf(found.blocks, kBlockForms) + " и " +
                               CountOf(found.records, kRecordForms) + " вместо " +
                               std::to_string(blocks) + " и " + std::to_string(records) +
                               "; файл не записан");
    }
}

}  // namespace kvo
