#include <sys/mount.h>

#include <cerrno>
#include <cstring>

#include "tinyfilesystem.h"

namespace kvo::test {

TinyFilesystem::TinyFilesystem(const std::filesystem::path& at, const std::string& size)
    : fPath(at) {
    std::filesystem::create_directories(at);
    fMounted = ::mount("tmpfs", at.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
    fWhyNot = fMounted ? "" : std::strerror(errno);
}

TinyFilesystem::~TinyFilesystem() {
    if (fMounted) {
        ::umount2(fPath.c_str(), MNT_DETACH);
    }
}

}  // namespace kvo::test
