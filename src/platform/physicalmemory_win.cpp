#include <windows.h>

#include "platform/physicalmemory.h"

namespace kvo {

std::uint64_t PhysicalMemoryBytes() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    if (GlobalMemoryStatusEx(&status) == 0) {
        return 0;
    }
    return status.ullTotalPhys;
}

}  // namespace kvo
