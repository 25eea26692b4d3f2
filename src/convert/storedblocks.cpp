#include "convert/storedblocks.h"

#include <array>
#include <string>

#include "codec/block_format.h"
#include "convert/converterror.h"
#include "convert/dataarea.h"
#include "model/fileformat.h"

namespace kvo {
std::uint32_t ReadPassportLength(FileStream& source) {
    std::array<std::uint8_t, 4> field{};
    source.seek(kPassportLengthOffset);
    if (source.read(field.data(), field.size()) != field.size()) {
        throw ConvertError(ConvertError::Kind::Refused,
                           "Файл " + source.path() + " короче 10 байт: в нём нет длины паспорта");
    }
    const std::uint32_t passportLength = codec::readU32(field.data());
    DataAreaSize(source, passportLength);
    source.seek(0);
    return passportLength;
}

std::optional<std::uint64_t> ForEachStoredBlock(
    FileStream& source, std::uint32_t passportLength,
    const std::function<void(const StoredBlock&)>& found) {
    const std::uint64_t end = passportLength + DataAreaSize(source, passportLength);
    std::optional<std::uint64_t> cutShort;
    std::uint64_t index = 0;
    for (std::uint64_t at = passportLength; at < end && !cutShort; ++index) {
        StoredBlock block{at, 0, 0};
        for (int section = 0; section < 4 && at <= end; ++section) {
            std::array<std::uint8_t, 4> word{};
            if (end - at < word.size()) {
                at = end + 1;
                break;
            }
            source.seek(at);
            source.readExact(word.data(), word.size());
            const std::uint32_t length = codec::readU32(word.data());
            block.records = section == 0 ? length / 2 : block.records;
            at += word.size() + length;
        }
        if (at > end) {
            cutShort = index;
        } else {
            block.length = at - block.offset;
            found(block);
        }
    }
    source.seek(0);
    return cutShort;
}

StoredBlocks WalkStoredBlocks(FileStream& source, std::uint32_t passportLength) {
    StoredBlocks totals;
    totals.cutShortBlock =
        ForEachStoredBlock(source, passportLength, [&totals](const StoredBlock& block) {
            totals.firstBlockRecords =
                totals.blocks == 0 ? block.records : totals.firstBlockRecords;
            totals.records += block.records;
            ++totals.blocks;
        });
    return totals;
}

}  // namespace kvo
