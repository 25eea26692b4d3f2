// kvo-synth KIND RECORDS SEED OUT.kvo: writes a synthetic recording.

#include <charconv>
#include <cstdint>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/programentry.h"
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
    // UTF-8 whatever the system passes, so an output name in any script works on Windows too.
    const std::vector<std::string> args = kvo::ProgramArguments(argc, argv);
    if (args.size() != 4) {
        return usage("expected 4 arguments");
    }
    const auto kind = kvo::synth::parseKind(args[0]);
    if (!kind) {
        return usage("unknown kind '" + args[0] + "'");
    }
    const auto records = parseCount(args[1]);
    if (!records) {
        return usage("RECORDS is not a whole number: '" + args[1] + "'");
    }
    const auto seed = parseCount(args[2]);
    if (!seed) {
        return usage("SEED is not a whole number: '" + args[2] + "'");
    }
    try {
        kvo::synth::writeRecording(args[3], *kind, *records, *seed);
    } catch (const std::exception& e) {
        std::cerr << "kvo-synth: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
