#pragma once
// The input files of a kvox run as the command line names them: standard input when no file is
// named with a direction given, and with -r the files below each named folder.

#include <string>
#include <variant>
#include <vector>

#include "cli/options.h"

namespace kvo::cli {

// The files in the order they are to be done; UsageError when the command line names none.
std::variant<std::vector<std::string>, UsageError> InputFiles(const Options& options);

}  // namespace kvo::cli
