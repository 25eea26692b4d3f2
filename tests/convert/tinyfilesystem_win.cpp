#include "tinyfilesystem.h"

namespace kvo::test {

TinyFilesystem::TinyFilesystem(const std::filesystem::path& at, const std::string& /*size*/)
    : fPath(at), fWhyNot("tmpfs is a Linux file system; Windows has none to mount") {}

TinyFilesystem::~TinyFilesystem() = default;

}  // namespace kvo::test
