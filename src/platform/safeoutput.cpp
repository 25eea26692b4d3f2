#include "platform/safeoutput.h"

#include <cerrno>

#include "platform/safeoutputerrors.h"

namespace kvo {

void AlreadyExists(const std::string& path) {
    throw FileError(
        "Файл " + path + " уже существует (его создали, пока шла работа); новый файл не записан",
        EEXIST);
}

void SafeOutputFile::commit() {
    prepare();
    publish(false);
    finish();
}

void SafeOutputFile::commitBoth(SafeOutputFile& first, SafeOutputFile& second) {
    first.prepare();
    second.prepare();
    first.publish(true);
    try {
        second.publish(false);
    } catch (...) {
        first.unpublish();
        throw;
    }
    first.finish();
    second.finish();
}

}  // namespace kvo
