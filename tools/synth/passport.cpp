#include <array>
#include <string>

#include "model/head.h"
#include "synth/kvosynth.h"

namespace kvo::synth {

namespace {

struct ChannelEntry {
    std::uint16_t number;
    std::uint8_t gainCode;
    std::string markName;  // Windows-1251 bytes
    std::uint16_t type;
};

// Marker names mix Latin capitals and Windows-1251 Cyrillic capitals (0xC0..0xDF).
std::string markName(SplitMix64& rng) {
    std::string name(rng.below(9), ' ');
    for (char& c : name) {
        const std::uint32_t pick = rng.below(26 + 32);
        c = static_cast<char>(pick < 26 ? 'A' + pick : 0xC0 + (pick - 26));
    }
    return name;
}

constexpr std::array<std::uint16_t, 5> kAnalogRates{1000, 2000, 5000, 10000, 25000};

}  // namespace

T1DimByteArr makePassport(std::uint64_t seed) {
    SplitMix64 rng(seed ^ 0x9A55904700000000ull);
    const std::uint16_t board = static_cast<std::uint16_t>(1 + rng.below(999));
    std::vector<ChannelEntry> entries(2 + rng.below(7));
    std::size_t entryBytes = 0;
    for (auto& entry : entries) {
        entry = {static_cast<std::uint16_t>(rng.below(128)),
                 static_cast<std::uint8_t>(rng.below(256)), markName(rng),
                 static_cast<std::uint16_t>(rng.below(9))};
        entryBytes += kEntryFixedBytes + entry.markName.size();
    }
    // A date between 2009 and 2033, with a time of day.
    const double startTime = 40000.0 + rng.below(9000) + rng.below(86400) / 86400.0;
    const std::uint16_t analogRate = kAnalogRates[rng.below(kAnalogRates.size())];
    const std::size_t spareBytes = 4 + rng.below(40);
    const std::size_t length = kDecodedBytesWithoutEntries + entryBytes + spareBytes;

    THeadel head(static_cast<std::uint32_t>(length));
    for (char c : std::string_view("RecKvo")) {
        head.PokeChar(c);
    }
    head.PokeLongWord(static_cast<std::uint32_t>(length));
    head.PokeWord(board);
    head.PokeWord(static_cast<std::uint16_t>(entries.size()));
    for (const auto& entry : entries) {
        head.PokeWord(entry.number);
        head.PokeByte(entry.gainCode);
        head.PokeString(entry.markName);
        head.PokeWord(entry.type);
    }
    head.PokeDouble(startTime);
    head.PokeWord(analogRate);
    for (std::size_t i = 0; i < spareBytes; ++i) {
        head.PokeByte(static_cast<std::uint8_t>(rng.below(256)));
    }
    const auto* bytes = static_cast<const std::uint8_t*>(head.fHead);
    return T1DimByteArr(bytes, bytes + length);
}

}  // namespace kvo::synth
