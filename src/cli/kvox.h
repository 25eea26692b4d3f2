#pragma once
// The kvox program as a function, so that tests run it in process.

#include <ostream>
#include <string>
#include <vector>

namespace kvo::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitError = 1;
inline constexpr int kExitWarning = 2;

struct Console {
    std::ostream& out;
    std::ostream& err;
    bool errIsTerminal = false;  // progress is shown only on a terminal
    bool outIsTerminal = false;  // compressed data are never written to a terminal
};

// args without the program name; returns the exit status.
int RunKvox(const std::vector<std::string>& args, const Console& console);

}  // namespace kvo::cli
