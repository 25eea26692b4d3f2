#pragma once
// A conversion on a thread of its own while the window goes on painting. User input that arrives
// meanwhile is dropped, so nothing a person did during the run happens after it; the progress
// reaches the window through its event loop.

#include <cstdint>
#include <functional>

#include "app/formview.h"

namespace kvo {

// Returns what the job returns, or passes on what it throws, once the job has ended.
ConvertReport RunInBackground(const ConversionJob& job,
                              const std::function<void(std::uint64_t)>& showProgress);

}  // namespace kvo
