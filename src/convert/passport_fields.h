#pragma once
// The passport's fields as data, decoded in file order. The passport window's lines and the
// reader library both start from this one decoding.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/fileformat.h"
#include "model/head.h"
#include "platform/filestream.h"

namespace kvo {

struct PassportChannel {
    std::uint16_t number = 0;
    std::uint8_t gainCode = 0;  // shown as the pair gainCodeLow / gainCodeHigh
    std::string markName;       // Windows-1251 bytes as stored
    std::uint16_t type = 0;     // index into ChannelTypeNames when below its size
};

// Fields that do not lie wholly inside the passport's length stay empty, and so does every field
// behind them; `complete` tells whether all of them fit.
struct PassportFields {
    std::optional<std::string> signature;  // Windows-1251 bytes as stored
    std::optional<std::uint32_t> length;
    std::optional<std::uint16_t> boardNumber;
    std::optional<std::uint16_t> channelCount;  // the field; only its low byte counts entries
    std::vector<PassportChannel> channels;
    std::optional<double> startTime;  // days since 1899-12-30 00:00
    std::optional<std::uint16_t> analogRate;
    bool complete = false;
};

// The most bytes the decoded fields of any passport occupy: 255 channel entries, each with a
// MarkName of 255 characters. Bytes behind them carry nothing that is shown.
inline constexpr std::uint32_t kMaxDecodedPassportBytes =
    kDecodedBytesWithoutEntries + 255 * (kEntryFixedBytes + kMaxShortStringLength);

// The bytes of a passport of passportLength bytes that decoding reads: its fields can lie nowhere
// else, so a huge length field costs no memory.
constexpr std::uint32_t DecodedPassportBytes(std::uint32_t passportLength) {
    return std::min(passportLength, kMaxDecodedPassportBytes);
}

// Reads the passport held by `head` from its start, never past its `fSize` bytes.
PassportFields decodePassport(THeadel& head);

// Reads the passport of `source`, passportLength bytes long, and decodes it.
PassportFields readPassport(FileStream& source, std::uint32_t passportLength);

}  // namespace kvo
