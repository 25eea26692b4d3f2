// kvo-synth KIND RECORDS SEED OUT.kvo: writes a synthetic recording.

#include <charconv>
#include <cstdint>
#include <exception>
#include <iostream>
#include <optional>
#include <string_view>

#include "synth/kvosynth.h"

namespace {

constexpr int kUsageError = 2;

std::optional<std::uint64_t> parseCount(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

int usage(std::string_view problem) {
    std::cerr << "kvo-synth: " << problem << "\n"
              << "usage: kvo-synth KIND RECORDS SEED OUT.kvo\n"
              << "  KIND     tiptiming | random | constant | zeros | runs\n"
              << "  RECORDS  number of 6-byte data records (decimal)\n"
              << "  SEED     generator seed (decimal); the same seed gives the same file\n";
    return kUsageError;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        return usage("expected 4 arguments");
    }
    const auto kind = kvo::synth::parseKind(argv[1]);
    if (!kind) {
        return usage(std::string("unknown kind '") + argv[1] + "'");
    }
    const auto records = parseCount(argv[2]);
    if (!records) {
        return usage(std::string("RECORDS is not a whole number: '") + argv[2] + "'");
    }
    const auto seed = parseCount(argv[3]);
    if (!seed) {
        return usage(std::string("SEED is not a whole number: '") + argv[3] + "'");
    }
    try {
        kvo::synth::writeRecording(argv[4], *kind, *records, *seed);
    } catch (const std::exception& e) {
        std::cerr << "kvo-synth: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
