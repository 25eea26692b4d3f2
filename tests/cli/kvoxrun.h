#pragma once
// kvox run in process for the tests: its exit status and what it printed.

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/kvox.h"
#include "synth/kvosynth.h"
#include "testfiles.h"

namespace kvo::test {

struct KvoxRun {
    int status;
    std::string out;
    std::string err;
};

inline KvoxRun Kvox(const std::vector<std::string>& args, bool outIsTerminal = false) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = cli::RunKvox(args, {out, err, false, outIsTerminal});
    return {status, out.str(), err.str()};
}

// A synthetic recording a.kvo in a clean folder, with `tail` bytes of a partial record at its end.
inline std::filesystem::path SyntheticRecording(const std::string& folderName, synth::Kind kind,
                                                std::uint64_t records, std::uint32_t seed,
                                                const std::string& tail = "") {
    const auto folder = CleanFolder(folderName);
    const auto bytes = synth::makeRecording(kind, records, seed);
    WriteBytes(folder / "a.kvo", std::string(bytes.begin(), bytes.end()) + tail);
    return folder / "a.kvo";
}

}  // namespace kvo::test
