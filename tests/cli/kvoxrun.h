#pragma once
// kvox run in process for the tests: its exit status and what it printed.

#include <sstream>
#include <string>
#include <vector>

#include "cli/kvox.h"

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

}  // namespace kvo::test
