#include "platform/writeaccess.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace kvo {

bool MayWrite(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return errno == ENOENT;
    }
    if (::geteuid() == 0) {
        return (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
    }
    return ::access(path.c_str(), W_OK) == 0;
}

}  // namespace kvo
