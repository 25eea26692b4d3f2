#include <windows.h>

#include "platform/widetext.h"
#include "platform/writeaccess.h"

namespace kvo {

// The read-only attribute is what keeps a file as it is here; access lists are left to the
// system, which names its refusal when the file is written.
bool MayWrite(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(SystemPathOf(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    return (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

}  // namespace kvo
