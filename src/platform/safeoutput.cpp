#include "platform/safeoutput.h"

#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <memory>

namespace kvo {
namespace {

constexpr int kMaxLinkHops = 40;

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

[[noreturn]] void CannotCreate(const std::string& path, int errorCode) {
    ThrowFileError("Не удалось создать файл", path, errorCode);
}

[[noreturn]] void AlreadyExists(const std::string& path) {
    throw FileError(
        "Файл " + path + " уже существует (его создали, пока шла работа); новый файл не записан",
        EEXIST);
}

// Where a target path leads: an existing file's real path, or, for a link to nothing yet, the
// path at the end of its chain of links.
std::string ResolveTarget(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                               &std::free);
        return real ? std::string(real.get()) : path;
    }
    std::string at = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        if (::lstat(at.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return at;
        }
        std::string link(PATH_MAX, '\0');
        const ssize_t length = ::readlink(at.c_str(), link.data(), link.size());
        if (length < 0) {
            CannotCreate(path, errno);
        }
        link.resize(static_cast<std::size_t>(length));
        at = link.starts_with('/') ? link : FolderOf(at) + "/" + link;
    }
    CannotCreate(path, ELOOP);
}

// Measured on a 512 MiB restore: the run then ends about when its last block is written.
constexpr std::uint64_t kFlushEvery = std::uint64_t{32} << 20;

// Hidden short names: a target name near the file system's limit must still get one.
std::string TemporaryName(const std::string& folder) {
    static std::atomic<unsigned> counter{0};
    return folder + "/.kvo-" + std::to_string(::getpid()) + "-" +
           std::to_string(counter.fetch_add(1)) + ".part";
}

// A target that is there and is no regular file (a folder, a device that appeared) is never
// renamed over.
void RefuseIrregular(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        CannotCreate(path, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    }
}

// Makes a finished rename survive a crash of the machine.
void SyncFolder(const std::string& folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
}

// Gives an unnamed file a name; fails with EEXIST when the name is taken.
int LinkUnnamed(int descriptor, const std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(descriptor);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        return 0;
    }
    if (errno == EEXIST) {
        return EEXIST;
    }
    // Without /proc, a privileged process can still link the descriptor itself.
    return ::linkat(descriptor, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0 ? 0 : errno;
}

}  // namespace

SafeOutputFile::SafeOutputFile(const std::string& targetPath, ExistingTarget existing)
    : fTargetPath(ResolveTarget(targetPath)),
      fFolder(FolderOf(fTargetPath)),
      fReplace(existing == ExistingTarget::Replace),
      fStream(-1, targetPath) {
    if (targetPath == kStandardOutput) {
        const int descriptor = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
        if (descriptor < 0) {
            CannotCreate("стандартный вывод", errno);
        }
        fDirect = true;
        fStream = FileStream(descriptor, "стандартный вывод");
        return;
    }
    struct stat info {};
    const bool exists = ::stat(fTargetPath.c_str(), &info) == 0;
    if (exists && (S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode))) {
        const int descriptor = ::open(targetPath.c_str(), O_WRONLY | O_CLOEXEC);
        if (descriptor < 0) {
            CannotCreate(targetPath, errno);
        }
        fDirect = true;
        fStream = FileStream(descriptor, targetPath);
        return;
    }
    if (exists && !S_ISREG(info.st_mode)) {
        CannotCreate(targetPath, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    }
    openTemporary();
    // A replaced file keeps the permissions its owner gave it.
    if (exists) {
        ::fchmod(fStream.fDescriptor, info.st_mode & 07777);
    }
}

void SafeOutputFile::openTemporary() {
    int descriptor = ::open(fFolder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    while (descriptor < 0) {
        fTempPath = TemporaryName(fFolder);
        descriptor = ::open(fTempPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0 && errno != EEXIST) {
            fTempPath.clear();
            CannotCreate(fTargetPath, errno);
        }
    }
    fStream = FileStream(descriptor, fTargetPath);
    // The final sync of a large file would otherwise wait for all of it at the end.
    fStream.flushBehind(kFlushEvery);
}

SafeOutputFile::~SafeOutputFile() {
    if (!fCommitted) {
        fStream.close();
        if (!fTempPath.empty()) {
            ::unlink(fTempPath.c_str());
        }
    }
}

void SafeOutputFile::keepModeAndTime(std::uint32_t mode, std::int64_t modifiedNanoseconds) {
    fModeAndTime = {mode, modifiedNanoseconds};
}

void SafeOutputFile::commit() {
    if (fModeAndTime && !fDirect) {
        const auto [mode, modified] = *fModeAndTime;
        const struct timespec times[2] = {{0, UTIME_NOW},
                                          {modified / 1'000'000'000, modified % 1'000'000'000}};
        if (::fchmod(fStream.fDescriptor, mode & 07777) != 0 ||
            ::futimens(fStream.fDescriptor, times) != 0) {
            ThrowFileError("Не удалось записать файл", fTargetPath, errno);
        }
    }
    // Pipes and most devices cannot be synced and say so; what they took is theirs.
    if (!fDirect || (::fsync(fStream.fDescriptor) != 0 && errno != EINVAL && errno != EROFS)) {
        fStream.sync();
    }
    if (!fDirect) {
        if (fTempPath.empty()) {
            publishUnnamed();
        } else {
            publishNamed();
        }
    }
    fCommitted = true;
    fStream.close();
    if (!fDirect) {
        SyncFolder(fFolder);
    }
}

void SafeOutputFile::publishUnnamed() {
    if (!fReplace) {
        const int error = LinkUnnamed(fStream.fDescriptor, fTargetPath);
        if (error == EEXIST) {
            AlreadyExists(fTargetPath);
        }
        if (error != 0) {
            ThrowFileError("Не удалось записать файл", fTargetPath, error);
        }
        return;
    }
    // Replacing takes a name of its own first, so the swap itself is one rename.
    for (;;) {
        fTempPath = TemporaryName(fFolder);
        const int error = LinkUnnamed(fStream.fDescriptor, fTempPath);
        if (error == 0) {
            break;
        }
        if (error != EEXIST) {
            fTempPath.clear();
            ThrowFileError("Не удалось записать файл", fTargetPath, error);
        }
    }
    publishNamed();
}

void SafeOutputFile::publishNamed() {
    if (fReplace) {
        RefuseIrregular(fTargetPath);
        if (::rename(fTempPath.c_str(), fTargetPath.c_str()) != 0) {
            ThrowFileError("Не удалось записать файл", fTargetPath, errno);
        }
        return;
    }
    if (::renameat2(AT_FDCWD, fTempPath.c_str(), AT_FDCWD, fTargetPath.c_str(), RENAME_NOREPLACE) ==
        0) {
        return;
    }
    if (errno == EEXIST) {
        AlreadyExists(fTargetPath);
    }
    if (errno != EINVAL && errno != ENOSYS) {
        ThrowFileError("Не удалось записать файл", fTargetPath, errno);
    }
    // File systems without an exclusive rename: a hard link fails on an existing name too.
    if (::link(fTempPath.c_str(), fTargetPath.c_str()) != 0) {
        if (errno == EEXIST) {
            AlreadyExists(fTargetPath);
        }
        ThrowFileError("Не удалось записать файл", fTargetPath, errno);
    }
    ::unlink(fTempPath.c_str());
}

}  // namespace kvo
