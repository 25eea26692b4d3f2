#pragma once
// A conversion on a thread of its own while the windows go on painting. What a person does
// meanwhile (keys, clicks, menu commands, closing) is dropped, not put off, so that nothing done
// during the run happens after it. Progress reaches the caller on its own thread.

#include <windows.h>

#include <cstdint>
#include <functional>

#include "app/formview.h"

namespace kvo::win32 {

// Returns what the job returns, or throws what it threw, once the job has ended; the last
// position reported is shown before that.
ConvertReport RunBlocked(const ConversionJob& job,
                         const std::function<void(std::uint64_t)>& showProgress);

// Whether a message is a person's input, which a blocked run drops.
bool IsUserInput(UINT message);

}  // namespace kvo::win32
