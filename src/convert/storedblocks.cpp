#include "convert/storedblocks.h"

#include <array>
#include <string>

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
    std::string reason = "не восстанавливается: ";
    switch (fault) {
        case ShapeFault::FewRecords:
            return reason + "в нём " + CountOf(firstWords / codec::kFirstWordSize, kRecordForms) +
                   ", а нужно не меньше " + std::to_string(codec::kMinRecords);
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
        case ShapeFault::None:
            break;
    }
    return reason;
}

// The four length words of the block at `at`; false when a word or a payload passes `end`.
bool ReadSectionLengths(FileStream& source, std::uint64_t& at, std::uint64_t end,
                        SectionLengths& lengths) {
    for (std::uint32_t& length : lengths) {
        std::array<std::uint8_t, codec::kLengthFieldSize> word{};
        if (end - at < word.size()) {
            return false;
        }
        source.seek(at);
        source.readExact(word.data(), word.size());
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

std::optional<std::uint64_t> ForEachStoredBlock(
    FileStream& source, std::uint32_t passportLength,
    const std::function<bool(const StoredBlock&)>& found) {
    const std::uint64_t end = passportLength + DataAreaSize(source, passportLength);
    std::optional<std::uint64_t> cutShort;
    bool going = true;
    for (std::uint64_t at = passportLength, index = 0; going && at < end; ++index) {
        if (Interrupted()) {
            throw ConvertError(ConvertError::Kind::Refused,
                               "Просмотр блоков файла " + source.path() + " прерван");
        }
        StoredBlock block;
        block.index = index;
        block.offset = at;
        if (!ReadSectionLengths(source, at, end, block.sections)) {
            cutShort = index;
            break;
        }
        block.length = at - block.offset;
        block.records = block.sections[0] / codec::kFirstWordSize;
        going = found(block);
    }
    source.seek(0);
    return cutShort;
}

bool OpensWithStoredBlock(FileStream& source, std::uint32_t passportLength) {
    bool sound = true;
    const auto cutShort =
        ForEachStoredBlock(source, passportLength, [&sound](const StoredBlock& block) {
            sound = codec::sectionShapeFault(block.sections) == ShapeFault::None;
            return false;
        });
    return sound && !cutShort;
}

StoredBlocks WalkStoredBlocks(FileStream& source, std::uint32_t passportLength) {
    StoredBlocks totals;
    const auto cutShort =
        ForEachStoredBlock(source, passportLength, [&totals](const StoredBlock& block) {
            if (const ShapeFault fault = codec::sectionShapeFault(block.sections);
                fault != ShapeFault::None) {
                totals.damaged =
                    DamagedBlock{block.index, false, ShapeReason(fault, block.sections)};
                return false;
            }
            totals.firstBlockRecords =
                totals.blocks == 0 ? block.records : totals.firstBlockRecords;
            totals.records += block.records;
            ++totals.blocks;
            return true;
        });
    if (cutShort) {
        totals.damaged = DamagedBlock{*cutShort, true, "обрывается в конце файла"};
    }
    return totals;
}

}  // namespace kvo
