#include "platform/safeoutput.h"

#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <string_view>

#include "platform/safeoutputerrors.h"
#include "platform/systemerror.h"

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

// Only the permission bits go over to an output: set-user-ID, set-group-ID and sticky bits would
// make a copy of someone's program run with its owner's rights.
constexpr mode_t kPermissionBits = 0777;

// What cannot be replaced whole is written to in place.
bool WrittenDirectly(const struct stat& info) {
    return S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode);
}

// The descriptor that a name stands for: kStandardOutput, /dev/stdout, /dev/stderr, /dev/fd/N
// and /proc/self/fd/N.
std::optional<int> DescriptorNamed(const std::string& path) {
    if (path == kStandardOutput || path == "/dev/stdout") {
        return STDOUT_FILENO;
    }
    if (path == "/dev/stderr") {
        return STDERR_FILENO;
    }
    for (const std::string_view folder : {"/dev/fd/", "/proc/self/fd/"}) {
        if (!path.starts_with(folder) || path.size() == folder.size()) {
            continue;
        }
        int descriptor = 0;
        const char* const end = path.data() + path.size();
        const auto [rest, error] = std::from_chars(path.data() + folder.size(), end, descriptor);
        if (error == std::errc() && rest == end) {
            return descriptor;
        }
    }
    return std::nullopt;
}

[[noreturn]] void LinkIsATarget(const std::string& path) {
    throw FileError("Файл " + path + " уже существует: это ссылка; новый файл не записан", EEXIST);
}

[[noreturn]] void ForeignLink(const std::string& path) {
    throw FileError("Не удалось создать файл " + path +
                        ": ссылка принадлежит другому пользователю, по ней файл не записывается",
                    EPERM);
}

// Where a new or replacing file at `path` goes: the path itself, or the end of the chain of links
// there. Only links of the user running the program are followed, so that no one can send the
// output elsewhere (the system's own rule for links in shared folders); folders on the way are
// left to the system, which applies that rule itself. Without replacing, a link is taken.
std::string FollowOwnLinks(const std::string& path, bool replace) {
    std::string at = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info {};
        if (::lstat(at.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return at;
        }
        if (!replace) {
            LinkIsATarget(path);
        }
        if (info.st_uid != ::geteuid()) {
            ForeignLink(path);
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

// The runner's own file where the system allows no other owner; a group the runner belongs to
// still goes over. Returns whether the group did.
bool CarryOwnership(int descriptor, const KeptMetadata& kept) {
    if (::fchown(descriptor, kept.owner, kept.group) == 0) {
        return true;
    }
    return ::fchown(descriptor, static_cast<uid_t>(-1), kept.group) == 0;
}

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
    : fTargetPath(targetPath),
      fReplace(existing == ExistingTarget::Replace),
      fStream(kNoHandle, targetPath) {
    if (const auto descriptor = DescriptorNamed(targetPath)) {
        const int copy = ::fcntl(*descriptor, F_DUPFD_CLOEXEC, 0);
        const std::string name = targetPath == kStandardOutput ? kStandardOutputShown : targetPath;
        if (copy < 0) {
            CannotCreate(name, errno);
        }
        openDirect(copy, name);
        return;
    }
    struct stat info {};
    const bool exists = ::stat(targetPath.c_str(), &info) == 0;
    if (exists && WrittenDirectly(info)) {
        const int descriptor = ::open(targetPath.c_str(), O_WRONLY | O_CLOEXEC);
        if (descriptor < 0) {
            CannotCreate(targetPath, errno);
        }
        openDirect(descriptor, targetPath);
        return;
    }
    if (exists && !S_ISREG(info.st_mode)) {
        CannotCreate(targetPath, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    }
    fTargetPath = FollowOwnLinks(targetPath, fReplace);
    fFolder = FolderOf(fTargetPath);
    openTemporary();
    // A replaced file keeps the permissions its owner gave it.
    if (exists) {
        ::fchmod(fStream.fHandle, info.st_mode & kPermissionBits);
    }
}

void SafeOutputFile::openDirect(int descriptor, const std::string& name) {
    fDirect = true;
    fStream = FileStream(descriptor, name);
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

void SafeOutputFile::keepMetadataOf(const FileStream& source) {
    struct stat info {};
    if (::fstat(source.fHandle, &info) != 0) {
        ThrowFileError("Не удалось определить владельца файла", source.path(), errno);
    }
    fKept = KeptMetadata{
        info.st_uid, info.st_gid, info.st_mode,
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

void SafeOutputFile::applyKept() {
    const KeptMetadata& kept = *fKept;
    mode_t mode = kept.mode & kPermissionBits;
    // A group that did not go over gets no more than everyone else: the source's group bits
    // were meant for its own group.
    if (!CarryOwnership(fStream.fHandle, kept)) {
        mode &= ~S_IRWXG | ((mode & S_IRWXO) << 3);
    }
    const struct timespec times[2] = {
        {0, UTIME_NOW},
        {kept.modifiedNanoseconds / 1'000'000'000, kept.modifiedNanoseconds % 1'000'000'000}};
    if (::fchmod(fStream.fHandle, mode) != 0 || ::futimens(fStream.fHandle, times) != 0) {
        ThrowFileError("Не удалось записать файл", fTargetPath, errno);
    }
}

void SafeOutputFile::prepare() {
    if (fKept && !fDirect) {
        applyKept();
    }
    // Pipes and most devices cannot be synced and say so; what they took is theirs.
    if (!fDirect || (::fsync(fStream.fHandle) != 0 && errno != EINVAL && errno != EROFS)) {
        fStream.sync();
    }
}

void SafeOutputFile::publish(bool undoable) {
    if (fDirect) {
        return;
    }
    if (fTempPath.empty()) {
        publishUnnamed(undoable);
    } else {
        publishNamed(undoable);
    }
    fTempPath.clear();  // it is the target's name now
    fPublished = true;
}

void SafeOutputFile::finish() noexcept {
    if (!fPreviousPath.empty()) {
        ::unlink(fPreviousPath.c_str());
        fPreviousPath.clear();
    }
    fCommitted = true;
    fStream.close();
    if (!fDirect) {
        SyncFolder(fFolder);
    }
}

// Keeps the target's present file under a hidden name until the commit is done, so that an undo
// can put it back.
void SafeOutputFile::keepPrevious() {
    for (;;) {
        fPreviousPath = TemporaryName(fFolder);
        if (::link(fTargetPath.c_str(), fPreviousPath.c_str()) == 0) {
            return;
        }
        if (errno == EEXIST) {
            continue;
        }
        // Without hard links the file moves aside, and the target has none for a moment.
        if (errno != ENOENT && ::rename(fTargetPath.c_str(), fPreviousPath.c_str()) == 0) {
            fPreviousMoved = true;
            return;
        }
        const int error = errno;
        fPreviousPath.clear();
        if (error != ENOENT) {
            ThrowFileError("Не удалось записать файл", fTargetPath, error);
        }
        return;  // nothing there to keep
    }
}

void SafeOutputFile::unpublish() noexcept {
    if (!fPublished) {
        return;
    }
    fPublished = false;
    if (!fPreviousPath.empty()) {
        ::rename(fPreviousPath.c_str(), fTargetPath.c_str());
        fPreviousPath.clear();
        return;
    }
    // The name had no file before: it goes, unless another file took it meanwhile.
    struct stat ours {};
    struct stat named {};
    if (::fstat(fStream.fHandle, &ours) == 0 && ::lstat(fTargetPath.c_str(), &named) == 0 &&
        ours.st_dev == named.st_dev && ours.st_ino == named.st_ino) {
        ::unlink(fTargetPath.c_str());
    }
}

void SafeOutputFile::publishUnnamed(bool undoable) {
    if (!fReplace) {
        const int error = LinkUnnamed(fStream.fHandle, fTargetPath);
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
        const int error = LinkUnnamed(fStream.fHandle, fTempPath);
        if (error == 0) {
            break;
        }
        if (error != EEXIST) {
            fTempPath.clear();
            ThrowFileError("Не удалось записать файл", fTargetPath, error);
        }
    }
    publishNamed(undoable);
}

void SafeOutputFile::publishNamed(bool undoable) {
    if (fReplace) {
        RefuseIrregular(fTargetPath);
        if (undoable) {
            keepPrevious();
        }
        if (::rename(fTempPath.c_str(), fTargetPath.c_str()) != 0) {
            const int error = errno;
            if (fPreviousMoved) {
                ::rename(fPreviousPath.c_str(), fTargetPath.c_str());
            } else if (!fPreviousPath.empty()) {
                ::unlink(fPreviousPath.c_str());
            }
            fPreviousPath.clear();
            ThrowFileError("Не удалось записать файл", fTargetPath, error);
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

bool TargetTaken(const std::string& targetPath) {
    if (DescriptorNamed(targetPath)) {
        return false;
    }
    struct stat info {};
    if (::stat(targetPath.c_str(), &info) == 0) {
        return !WrittenDirectly(info);
    }
    return ::lstat(targetPath.c_str(), &info) == 0;
}

NameState StateOfName(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return {NameHolds::Nothing, errno == ENOENT ? std::string() : SystemErrorText(errno)};
    }
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        return {NameHolds::Other, {}};
    }
    return {NameHolds::File, {}};
}

std::optional<FileIdentity> TargetIdentity(const std::string& targetPath) {
    const auto descriptor = DescriptorNamed(targetPath);
    return IdentityOf(descriptor ? "/proc/self/fd/" + std::to_string(*descriptor) : targetPath);
}

}  // namespace kvo
