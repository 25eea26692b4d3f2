#pragma once
// Byte layout of recording files: the passport fields and the data record.

#include <array>
#include <cstddef>
#include <cstdint>

namespace kvo {

// Passport: fixed fields up to the channel entries.
inline constexpr std::size_t kSignatureOffset = 0;
inline constexpr std::size_t kSignatureLength = 6;
inline constexpr std::size_t kPassportLengthOffset = 6;
inline constexpr std::size_t kBoardNumberOffset = 10;
inline constexpr std::size_t kChannelCountOffset = 12;
inline constexpr std::size_t kChannelEntriesOffset = 14;

// A channel entry: ChannelNumber, GainCode, MarkName (length byte + text), ChannelType.
inline constexpr std::size_t kEntryChannelNumberOffset = 0;
inline constexpr std::size_t kEntryGainCodeOffset = 2;
inline constexpr std::size_t kEntryMarkNameOffset = 3;
inline constexpr std::size_t kEntryFixedBytes = 6;  // an entry is this plus its MarkName length
inline constexpr std::size_t kMaxShortStringLength = 255;  // one length byte

// The fields behind the channel entries move with entryBytes, the total length S of the entries.
constexpr std::size_t startTimeOffset(std::size_t entryBytes) {
    return 14 + entryBytes;
}
constexpr std::size_t analogRateOffset(std::size_t entryBytes) {
    return 22 + entryBytes;
}
// Decoded length of a passport without channel entries; with entries it is this plus S.
inline constexpr std::size_t kDecodedBytesWithoutEntries = 24;

// Only the low byte of ChannelCount counts entries; the high byte is not interpreted.
constexpr unsigned channelEntryCount(std::uint16_t channelCount) {
    return channelCount & 0xFFu;
}

// GainCode packs two codes shown as a pair: bits 0-2, then bits 3-7.
constexpr unsigned gainCodeLow(std::uint8_t gainCode) {
    return gainCode & 0x07u;
}
constexpr unsigned gainCodeHigh(std::uint8_t gainCode) {
    return gainCode >> 3;
}

// The 24-byte default passport: "RecKvo", length 24, board 666, no channels, StartTime 100.0,
// AnalogRate 0.
inline constexpr std::size_t kDefaultPassportLength = 24;
inline constexpr std::array<std::uint8_t, kDefaultPassportLength> kDefaultPassport{
    'R',  'e',  'c',  'K',  'v',  'o',               // Signature
    0x18, 0x00, 0x00, 0x00,                          // PassportLength
    0x9A, 0x02,                                      // BoardNumber
    0x00, 0x00,                                      // ChannelCount
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x59, 0x40,  // StartTime
    0x00, 0x00,                                      // AnalogRate
};

// Data record: LeadByte, SecondByte, FirstWord (LE), SecondWord (LE).
inline constexpr std::size_t kRecordSize = 6;
inline constexpr std::size_t kLeadByteOffset = 0;
inline constexpr std::size_t kSecondByteOffset = 1;
inline constexpr std::size_t kFirstWordOffset = 2;
inline constexpr std::size_t kSecondWordOffset = 4;

}  // namespace kvo
