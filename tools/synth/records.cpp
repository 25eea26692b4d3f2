#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>

#include "synth/kvosynth.h"

namespace kvo::synth {

namespace {

void putRecord(std::uint8_t* out, std::uint8_t lead, std::uint8_t secondByte,
               std::uint16_t firstWord, std::uint16_t secondWord) {
    out[kLeadByteOffset] = lead;
    out[kSecondByteOffset] = secondByte;
    out[kFirstWordOffset] = static_cast<std::uint8_t>(firstWord);
    out[kFirstWordOffset + 1] = static_cast<std::uint8_t>(firstWord >> 8);
    out[kSecondWordOffset] = static_cast<std::uint8_t>(secondWord);
    out[kSecondWordOffset + 1] = static_cast<std::uint8_t>(secondWord >> 8);
}

// One in this many tip-timing pulses is missed, and as many again come twice.
constexpr std::uint64_t kPulseFaultMask = 0x3FF;
constexpr std::uint32_t kMinInterval = 150;
constexpr std::uint32_t kMaxInterval = 450;

// Run lengths short, medium, just past the byte counter and past the word counter.
std::uint64_t runLength(SplitMix64& rng) {
    switch (rng.below(4)) {
        case 0:
            return 1 + rng.below(16);
        case 1:
            return 17 + rng.below(239);
        case 2:
            return 256 + rng.below(1000);
        default:
            return 65536 + rng.below(8192);
    }
}

}  // namespace

RecordGenerator::RecordGenerator(Kind kind, std::uint64_t seed)
    : kind_(kind), rng_(seed ^ (0xA5A5000000000000ull + static_cast<std::uint64_t>(kind))) {
    switch (kind_) {
        case Kind::TipTiming: {
            probeCount_ = 3 + rng_.below(kMaxProbes - 2);
            const std::uint32_t blades = 5 + rng_.below(6);
            slotsPerRevolution_ = 1 + blades * probeCount_;
            bool used[128] = {};
            for (std::uint32_t i = 0; i <= probeCount_; ++i) {
                std::uint8_t channel = 0;
                do {
                    channel = static_cast<std::uint8_t>(1 + rng_.below(127));
                } while (used[channel]);
                used[channel] = true;
                (i == 0 ? revolutionChannel_ : probeChannels_[i - 1]) = channel;
            }
            interval_ = 200 + rng_.below(200);
            time_ = rng_.next() & 0xFFFFFFFFu;
            revolution_ = static_cast<std::uint16_t>(rng_.below(65536));
            break;
        }
        case Kind::Constant: {
            const std::uint64_t r = rng_.next();
            putRecord(constantRecord_, static_cast<std::uint8_t>(r & 0x7F),
                      static_cast<std::uint8_t>(r >> 8), static_cast<std::uint16_t>(r >> 16),
                      static_cast<std::uint16_t>(r >> 32));
            break;
        }
        case Kind::Random:
        case Kind::Zeros:
        case Kind::Runs:
            break;
    }
}

void RecordGenerator::next(std::uint8_t* out, std::size_t records) {
    switch (kind_) {
        case Kind::TipTiming:
            return nextTipTiming(out, records);
        case Kind::Random:
            return nextRandom(out, records);
        case Kind::Constant:
            return nextConstant(out, records);
        case Kind::Zeros:
            return nextZeros(out, records);
        case Kind::Runs:
            return nextRuns(out, records);
    }
}

void RecordGenerator::advanceTipSlot() {
    if (++slot_ < slotsPerRevolution_) {
        return;
    }
    slot_ = 0;
    ++revolution_;
    // The rotor speed drifts a little from one revolution to the next.
    interval_ = std::clamp(interval_ + rng_.below(3) - 1, kMinInterval, kMaxInterval);
}

void RecordGenerator::nextTipTiming(std::uint8_t* out, std::size_t records) {
    for (std::size_t i = 0; i < records; ++i, out += kRecordSize) {
        const std::uint64_t r = rng_.next();
        const std::uint64_t fault = r & kPulseFaultMask;
        std::uint8_t lead = lastLead_;  // an extra pulse repeats the probe that just fired
        if (fault != 0) {
            if (fault == 1) {
                advanceTipSlot();  // a missed pulse
            }
            lead = slot_ == 0 ? revolutionChannel_ : probeChannels_[(slot_ - 1) % probeCount_];
            advanceTipSlot();
        }
        lastLead_ = lead;
        time_ += interval_ + ((r >> 10) & 0x3F);
        putRecord(out, lead, static_cast<std::uint8_t>(time_ >> 16),
                  static_cast<std::uint16_t>(time_), revolution_);
    }
}

void RecordGenerator::nextRandom(std::uint8_t* out, std::size_t records) {
    for (std::size_t i = 0; i < records; ++i, out += kRecordSize) {
        const std::uint64_t r = rng_.next();
        putRecord(out, static_cast<std::uint8_t>(r & 0x7F), static_cast<std::uint8_t>(r >> 8),
                  static_cast<std::uint16_t>(r >> 16), static_cast<std::uint16_t>(r >> 32));
    }
}

void RecordGenerator::nextConstant(std::uint8_t* out, std::size_t records) const {
    for (std::size_t i = 0; i < records; ++i, out += kRecordSize) {
        std::memcpy(out, constantRecord_, kRecordSize);
    }
}

void RecordGenerator::nextZeros(std::uint8_t* out, std::size_t records) {
    for (std::size_t i = 0; i < records; ++i, out += kRecordSize) {
        const std::uint64_t r = rng_.next();
        putRecord(out, 0, static_cast<std::uint8_t>(r & 1),
                  static_cast<std::uint16_t>((r >> 8) & 0xF),
                  static_cast<std::uint16_t>((r >> 16) & 3));
    }
}

void RecordGenerator::nextRuns(std::uint8_t* out, std::size_t records) {
    for (std::size_t i = 0; i < records; ++i, out += kRecordSize) {
        if (secondByteLeft_ == 0) {
            secondByte_ = static_cast<std::uint8_t>(secondByte_ + 1 + rng_.below(255));
            secondByteLeft_ = runLength(rng_);
        }
        if (secondWordLeft_ == 0) {
            secondWord_ = static_cast<std::uint16_t>(secondWord_ + 1 + rng_.below(65535));
            secondWordLeft_ = runLength(rng_);
        }
        --secondByteLeft_;
        --secondWordLeft_;
        const std::uint64_t r = rng_.next();
        putRecord(out, static_cast<std::uint8_t>(r & 0x7F), secondByte_,
                  static_cast<std::uint16_t>(r >> 8), secondWord_);
    }
}

T1DimByteArr makeRecords(Kind kind, std::size_t records, std::uint64_t seed) {
    if (records > std::numeric_limits<std::size_t>::max() / kRecordSize) {
        throw std::length_error("too many records for one array: " + std::to_string(records));
    }
    T1DimByteArr data(records * kRecordSize);
    RecordGenerator(kind, seed).next(data.data(), records);
    return data;
}

}  // namespace kvo::synth
