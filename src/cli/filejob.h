#pragma once
// One input file of a kvox run: compress, restore, test or list it.

#include <string>

#include "cli/kvox.h"
#include "cli/options.h"

namespace kvo::cli {

enum class Outcome { Done, Warned, Failed };

// Messages go to console.err prefixed with "kvox: " and the file; results to console.out.
Outcome ProcessFile(const std::string& path, const Options& options, unsigned threads,
                    const Console& console);

}  // namespace kvo::cli
