#include "convert/storedblocks.h"

#include <array>
#include <string>
#include <utility>

#include "codec/block_format.h"
#include "convert/converterror.h"
#include "convert/dataarea.h"
#include "model/fileformat.h"
#include "platform/interruption.h"
#include "platform/russiancount.h"

namespace kvo {
namespace {

using codec::SectionLengths;
using codec::ShapeFault;

std::string ShapeReason(ShapeFault fault, const SectionLengths& lengths) {
    const auto& [firstWords, secondBytes, codes, secondWords] = lengths;
    const std::uint64_t records = firstWords / codec::kFirstWordSize;
    std::string reason = "не восстанавливается: ";
    switch (fault) {
        case ShapeFault::FewRecords:
            return reason + "в нём " + CountOf(records, kRecordForms) + ", а нужно не меньше " +
                   std::to_string(codec::kMinRecords);
        case ShapeFault::OddFirstWords:
            return reason + "нечётная длина раздела первых слов (" +
                   CountOf(firstWords, kByteForms) + ")";
        case ShapeFault::SecondBytePairs:
            return reason + "раздел вторых байтов пуст или не из целых пар (" +
                   CountOf(secondBytes, kByteForms) + ")";
        case ShapeFault::ShortCodes:
            return reason + "в разделе кодов " + CountOf(codes, kByteForms) +
                   ", а нужно не меньше " + std::to_string(codec::kMinRecords);
        case ShapeFault::SecondWordPairs:
            return reason + "раздел вторых слов пуст или не из целых пар (" +
                   CountOf(secondWords, kByteForms) + ")";
        case ShapeFault::ManyRecords:
            return reason + "в нём " + CountOf(records, kRecordForms) +
                   ", а блок вмещает не больше " + std::to_string(codec::kMostRecords);
        case ShapeFault::LongCodes:
            return reason + "раздел кодов длиннее, чем нужно для " +
                   CountOf(records, kRecordForms) + " (" + CountOf(codes, kByteForms) + ")";
        case ShapeFault::None:
            break;
    }
    return reason;
}

// The four length words of the block at `at`; false when a word or a payload passes `end`.
bool ReadSectionLengths(const FileStream& source, std::uint64_t& at, std::uint64_t end,
                        SectionLengths& lengths) {
    for (std::uint32_t& length : lengths) {
        std::array<std::uint8_t, codec::kLengthFieldSize> word{};
        if (end - at < word.size()) {
            return false;
        }
        source.readExactAt(at, word.data(), word.size());
        length = codec::readU32(word.data());
        at += word.size();
        if (length > end - at) {
            return false;
        }
        at += length;
    }
    return true;
}

}  // namespace

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

ConvertError DamagedBlockError(const std::string& path, const DamagedBlock& block) {
    return DamagedBlockError(path, block.index, block.reason);
}

std::variant<StoredBlock, DamagedBlock> StoredBlockAt(const FileStream& source, std::uint64_t index,
                                                      std::uint64_t offset, std::uint64_t end) {
    StoredBlock block;
    block.index = index;
    block.offset = offset;
    std::uint64_t at = offset;
    if (!ReadSectionLengths(source, at, end, block.sections)) {
        return DamagedBlock{index, true, "обрывается в конце файла"};
    }
    if (const ShapeFault fault = codec::storedLengthsFault(block.sections);
        fault != ShapeFault::None) {
        return DamagedBlock{index, false, ShapeReason(fault, block.sections)};
    }
    block.length = at - offset;
    block.records = block.sections[0] / codec::kFirstWordSize;
    return block;
}

std::optional<DamagedBlock> ForEachStoredBlock(
    FileStream& source, std::uint32_t passportLength,
    const std::function<bool(const StoredBlock&)>& found) {
    const std::uint64_t end = passportLength + DataAreaSize(source, passportLength);
    std::optional<DamagedBlock> damaged;
    for (std::uint64_t at = passportLength, index = 0; at < end; ++index) {
        if (Interrupted()) {
            throw ConvertError(ConvertError::Kind::Refused,
                               "Просмотр блоков файла " + source.path() + " прерван");
        }
        auto step = StoredBlockAt(source, index, at, end);
        if (auto* refused = std::get_if<DamagedBlock>(&step)) {
            damaged = std::move(*refused);
            break;
        }
        const auto& block = std::get<StoredBlock>(step);
        if (!found(block)) {
            break;
        }
        at += block.length;
    }
    source.seek(0);
    return damaged;
}

bool OpensWithStoredBlock(FileStream& source, std::uint32_t passportLength) {
    return !ForEachStoredBlock(source, passportLength, [](const StoredBlock&) { return false; });
}

StoredBlocks WalkStoredBlocks(FileStream& source, std::uint32_t passportLength) {
    StoredBlocks totals;
    totals.damaged =
        ForEachStoredBlock(source, passportLength, [&totals](const StoredBlock& block) {
            totals.firstBlockRecords =
                totals.blocks == 0 ? block.records : totals.firstBlockRecords;
            totals.records += block.records;
            ++totals.blocks;
            return true;
        });
    return totals;
}

}  // namespace kvo
