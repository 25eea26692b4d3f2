#pragma once
// Where a kvox job writes and whether it may.

#include <optional>
#include <string>

#include "cli/filejob.h"
#include "convert/convertfile.h"
#include "convert/inspect.h"

namespace kvo::cli {

// Where a job on `source` writes: -o, standard output for -c or for standard input, or the path
// beside the source.
std::string OutputFor(const FileStream& source, FileKind kind, const Options& options);

// Why `output` must not be written for `source` in this run (an input of the run, a file in the
// way without -f, also, for an archive, the checksum file beside it, which is written with it), or
// nothing.
std::optional<std::string> CheckOutput(const std::string& output, const FileStream& source,
                                       const RunContext& context, bool archive);

// A file source lends the output its permission bits and modification time; a pipe does not.
RunOptions RunOptionsFor(const RunContext& context, bool checksum, const FileStream& source);

}  // namespace kvo::cli
