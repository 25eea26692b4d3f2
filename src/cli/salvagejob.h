#pragma once
// kvox --salvage: what a damaged compressed file still holds, with every gap reported.

#include "cli/filejob.h"
#include "cli/kvox.h"
#include "cli/reporter.h"
#include "platform/filestream.h"

namespace kvo::cli {

// Done when nothing was lost, Warned when gaps were reported, Failed when nothing was saved.
Outcome Salvage(FileStream& source, const RunContext& context, const Console& console,
                Reporter& reporter);

}  // namespace kvo::cli
