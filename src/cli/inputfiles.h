#pragma once
// The input files of a kvox run as the command line names them: standard input when no file is
// named with a direction given, and with -r the files below each named folder.

#include <string>
#include <variant>
#include <vector>

#include "cli/folderwalk.h"
#include "cli/options.h"

namespace kvo::cli {

struct InputFileList {
    std::vector<std::string> files;  // in the order they are to be done
    // What the walks of named folders could not read or left out.
    std::vector<WalkFinding> findings;
};

// UsageError when the command line names no file.
std::variant<InputFileList, UsageError> InputFiles(const Options& options);

}  // namespace kvo::cli
