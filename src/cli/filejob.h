#pragma once
// One input file of a kvox run: compress, restore, test or list it.

#include <string>
#include <vector>

#include "cli/kvox.h"
#include "cli/options.h"
#include "platform/filestream.h"

namespace kvo::cli {

enum class Outcome { Done, Warned, Failed };

// What every file of one run shares.
struct RunContext {
    const Options& options;
    unsigned threads = 1;
    // Every input of the run: none of them is ever written, whatever the order of the work.
    std::vector<FileIdentity> inputs;
    bool stdoutIsTerminal = false;
};

// The file name that stands for standard input.
inline constexpr char kStandardInputName[] = "-";

// Messages go to console.err prefixed with "kvox: " and the file; results to console.out.
Outcome ProcessFile(const std::string& path, const RunContext& context, const Console& console);

}  // namespace kvo::cli
