#include "codec/block_format.h"

#include <array>

#include "codec/kvoarchiver.h"

namespace kvo {

namespace {

struct Section {
    const std::uint8_t* payload = nullptr;
    std::size_t length = 0;
};

// Follows the four length words; false when any of them or its payload passes `available`.
bool walkSections(const std::uint8_t* data, std::size_t available,
                  std::array<Section, codec::kSectionCount>& sections, std::size_t& stored) {
    if (data == nullptr) {
        return false;
    }
    std::size_t pos = 0;
    for (Section& section : sections) {
        if (available - pos < codec::kLengthFieldSize) {
            return false;
        }
        const std::size_t length = codec::readU32(data + pos);
        pos += codec::kLengthFieldSize;
        if (length > available - pos) {
            return false;
        }
        section = {data + pos, length};
        pos += length;
    }
    stored = pos;
    return true;
}

}  // namespace

std::int64_t StoredBlockLength(const std::uint8_t* data, std::size_t available) {
    std::array<Section, codec::kSectionCount> sections{};
    std::size_t stored = 0;
    if (!walkSections(data, available, sections, stored)) {
        return -1;
    }
    return static_cast<std::int64_t>(stored);
}

namespace codec {

ShapeFault sectionShapeFault(const SectionLengths& lengths) {
    const auto& [firstWords, secondBytes, codes, secondWords] = lengths;
    if (firstWords < kMinRecords * kFirstWordSize) {
        return ShapeFault::FewRecords;
    }
    if (firstWords % kFirstWordSize != 0) {
        return ShapeFault::OddFirstWords;
    }
    if (secondBytes == 0 || secondBytes % kSecondBytePairSize != 0) {
        return ShapeFault::SecondBytePairs;
    }
    if (codes < kMinRecords) {
        return ShapeFault::ShortCodes;
    }
    if (secondWords == 0 || secondWords % kSecondWordPairSize != 0) {
        return ShapeFault::SecondWordPairs;
    }
    return ShapeFault::None;
}

ShapeFault storedLengthsFault(const SectionLengths& lengths) {
    if (const ShapeFault shape = sectionShapeFault(lengths); shape != ShapeFault::None) {
        return shape;
    }
    const std::uint64_t records = lengths[0] / kFirstWordSize;
    if (records > kMostRecords) {
        return ShapeFault::ManyRecords;
    }
    return lengths[2] > records ? ShapeFault::LongCodes : ShapeFault::None;
}

namespace {

std::optional<BlockView> viewOf(const std::uint8_t* data, std::size_t available, bool shaped) {
    std::array<Section, kSectionCount> s{};
    std::size_t stored = 0;
    if (!walkSections(data, available, s, stored)) {
        return std::nullopt;
    }
    const auto& [firstWords, secondBytes, codes, secondWords] = s;
    const SectionLengths lengths{static_cast<std::uint32_t>(firstWords.length),
                                 static_cast<std::uint32_t>(secondBytes.length),
                                 static_cast<std::uint32_t>(codes.length),
                                 static_cast<std::uint32_t>(secondWords.length)};
    if (shaped && sectionShapeFault(lengths) != ShapeFault::None) {
        return std::nullopt;
    }
    BlockView view;
    view.records = firstWords.length / kFirstWordSize;
    view.firstWords = firstWords.payload;
    view.secondBytePairs = secondBytes.payload;
    view.secondBytePairCount = secondBytes.length / kSecondBytePairSize;
    view.codes = codes.payload;
    view.codeCount = codes.length;
    view.secondWordPairs = secondWords.payload;
    view.secondWordPairCount = secondWords.length / kSecondWordPairSize;
    view.storedLength = stored;
    return view;
}

}  // namespace

std::optional<BlockView> viewBlock(const std::uint8_t* data, std::size_t available) {
    return viewOf(data, available, true);
}

std::optional<BlockView> viewSections(const std::uint8_t* data, std::size_t available) {
    return viewOf(data, available, false);
}

}  // namespace codec
}  // namespace kvo
