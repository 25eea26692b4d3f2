#pragma once
// Builds blocks of 6-byte records field by field for the codec tests.

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "codec/kvoarchiver.h"
#include "model/types4kvo.h"

namespace kvo::testing {

struct Fields {
    std::uint8_t lead = 0;
    std::uint8_t second = 0;
    std::uint16_t firstWord = 0;
    std::uint16_t secondWord = 0;
};

template <typename Make>
T1DimByteArr makeRecords(std::size_t n, Make&& make) {
    T1DimByteArr out(n * kRecordSize);
    for (std::size_t i = 0; i < n; ++i) {
        const Fields f = make(i);
        std::uint8_t* r = &out[i * kRecordSize];
        r[0] = f.lead;
        r[1] = f.second;
        r[2] = static_cast<std::uint8_t>(f.firstWord);
        r[3] = static_cast<std::uint8_t>(f.firstWord >> 8);
        r[4] = static_cast<std::uint8_t>(f.secondWord);
        r[5] = static_cast<std::uint8_t>(f.secondWord >> 8);
    }
    return out;
}

// The block CompressBlock makes of the records; empty when it refuses them.
inline T1DimByteArr compressedBlock(T1DimByteArr records) {
    const std::int32_t length = CompressBlock(records, 0);
    records.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return records;
}

// LeadBytes as a vector, e.g. to compare a decoded stream.
inline std::vector<std::uint8_t> leadBytesOf(const T1DimByteArr& records) {
    std::vector<std::uint8_t> lead;
    for (std::size_t i = 0; i + kRecordSize <= records.size(); i += kRecordSize) {
        lead.push_back(records[i]);
    }
    return lead;
}

// Kinds of LeadByte streams that exercise the dictionary differently.
enum class LeadPattern { Random, SmallAlphabet, Periodic, NoisyPeriodic, Zeros, Constant, Bursty };

inline T1DimByteArr makeBlock(std::size_t n, LeadPattern pattern, std::uint32_t seed) {
    std::mt19937 rng(seed);
    const std::size_t period = 3 + rng() % 29;
    std::vector<std::uint8_t> motif(period);
    for (auto& b : motif)
        b = static_cast<std::uint8_t>(rng() % 128);
    std::uint16_t secondWord = 0;
    std::uint8_t second = 0;
    return makeRecords(n, [&](std::size_t i) {
        Fields f;
        switch (pattern) {
            case LeadPattern::Random:
                f.lead = static_cast<std::uint8_t>(rng() % 128);
                break;
            case LeadPattern::SmallAlphabet:
                f.lead = static_cast<std::uint8_t>(rng() % 3);
                break;
            case LeadPattern::Periodic:
                f.lead = motif[i % period];
                break;
            case LeadPattern::NoisyPeriodic:
                f.lead =
                    rng() % 50 == 0 ? static_cast<std::uint8_t>(rng() % 128) : motif[i % period];
                break;
            case LeadPattern::Zeros:
                f.lead = 0;
                break;
            case LeadPattern::Constant:
                f.lead = motif[0] | 1;
                break;
            case LeadPattern::Bursty:
                f.lead = static_cast<std::uint8_t>(rng() % 4 == 0 ? 0 : motif[(i / 7) % period]);
                break;
        }
        if (rng() % 5 == 0)
            second = static_cast<std::uint8_t>(rng());
        if (rng() % 3 == 0)
            secondWord = static_cast<std::uint16_t>(rng() % 4);
        f.second = second;
        f.secondWord = secondWord;
        f.firstWord = static_cast<std::uint16_t>(rng());
        return f;
    });
}

// SecondBytes and SecondWords in runs of up to 70000 equal values, so runs pass both count
// limits; LeadBytes periodic with noise.
inline T1DimByteArr makeLongRunBlock(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::size_t secondLeft = 0;
    std::size_t wordLeft = 0;
    Fields f;
    return makeRecords(n, [&](std::size_t i) {
        if (secondLeft-- == 0) {
            secondLeft = rng() % (rng() % 2 ? 600 : 70000);
            f.second = static_cast<std::uint8_t>(rng());
        }
        if (wordLeft-- == 0) {
            wordLeft = rng() % (rng() % 2 ? 300 : 140000);
            f.secondWord = static_cast<std::uint16_t>(rng());
        }
        f.lead = static_cast<std::uint8_t>(rng() % 90 == 0 ? rng() % 128 : 1 + i % 17);
        f.firstWord = static_cast<std::uint16_t>(i * 7);
        return f;
    });
}

}  // namespace kvo::testing
