#include <windows.h>

#include <cerrno>

#include "platform/fspath.h"
#include "platform/safeoutput.h"
#include "platform/safeoutputerrors.h"
#include "platform/systemerror.h"
#include "platform/widetext.h"
#include "platform/winfile.h"
#include "platform/writeaccess.h"

namespace kvo {
namespace {

[[noreturn]] void CannotCreate(const std::string& path, DWORD code) {
    ThrowWindowsFileError("Не удалось создать файл", path, code);
}

[[noreturn]] void CannotWrite(const std::string& path, DWORD code) {
    ThrowWindowsFileError("Не удалось записать файл", path, code);
}

std::string FolderOf(const std::string& path) {
    const std::string folder = Utf8Of(FsPath(path).parent_path());
    return folder.empty() ? "." : folder;
}

// Every Windows file system for files takes names of at most this many UTF-16 units. The
// system calls a longer one missing or invalid, depending on where it is: it is told as too long
// before any work is done.
constexpr std::size_t kMaxNameUnits = 255;

bool Overlong(const std::wstring& systemPath) noexcept {
    return systemPath.size() - (systemPath.find_last_of(L'\\') + 1) > kMaxNameUnits;
}

bool Missing(DWORD code) noexcept {
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

// A folder is never replaced; a read-only file is meant to stay as it is, and the system
// would refuse to rename over it anyway. Nothing there is fine.
void RefuseUnreplaceable(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(SystemPathOf(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        ThrowFileError("Не удалось создать файл", path, EISDIR);
    }
    if (!MayWrite(path)) {
        throw FileError(WriteProtectedText(path), EACCES, path);
    }
}

bool Rename(const std::string& from, const std::string& to, DWORD flags) noexcept {
    return MoveFileExW(SystemPathOf(from).c_str(), SystemPathOf(to).c_str(),
                       flags | MOVEFILE_WRITE_THROUGH) != FALSE;
}

void Remove(const std::string& path) noexcept {
    DeleteFileW(SystemPathOf(path).c_str());
}

HANDLE StandardOutputCopy() {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE copy = nullptr;
    if (output == nullptr || output == INVALID_HANDLE_VALUE) {
        CannotCreate(kStandardOutputShown, ERROR_INVALID_HANDLE);
    }
    if (!DuplicateHandle(GetCurrentProcess(), output, GetCurrentProcess(), &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
        CannotCreate(kStandardOutputShown, GetLastError());
    }
    return copy;
}

}  // namespace

SafeOutputFile::SafeOutputFile(const std::string& targetPath, ExistingTarget existing)
    : fTargetPath(targetPath),
      fReplace(existing == ExistingTarget::Replace),
      fStream(kNoHandle, targetPath) {
    if (targetPath == kStandardOutput) {
        openDirect(StandardOutputCopy(), kStandardOutputShown);
        return;
    }
    const std::wstring systemPath = SystemPathOf(targetPath);
    if (IsDevicePath(systemPath)) {
        const HANDLE device =
            CreateFileW(systemPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, 0, nullptr);
        if (device == INVALID_HANDLE_VALUE) {
            CannotCreate(targetPath, GetLastError());
        }
        openDirect(device, targetPath);
        return;
    }
    if (Overlong(systemPath)) {
        CannotCreate(targetPath, ERROR_FILENAME_EXCED_RANGE);
    }
    if (fReplace) {
        RefuseUnreplaceable(targetPath);
    }
    fFolder = FolderOf(targetPath);
    openTemporary();
}

void SafeOutputFile::openDirect(NativeHandle handle, const std::string& name) {
    fDirect = true;
    fStream = FileStream(handle, name);
}

void SafeOutputFile::openTemporary() {
    HANDLE file = INVALID_HANDLE_VALUE;
    while (file == INVALID_HANDLE_VALUE) {
        fTempPath = TemporaryName(fFolder, "kvo") + ".part";
        file = CreateHiddenFile(fTempPath, 0);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            const DWORD error = GetLastError();
            fTempPath.clear();
            CannotCreate(fTargetPath, error);
        }
    }
    fStream = FileStream(file, fTargetPath);
    // Gone even when the process is killed; the destructor removes it where this cannot be.
    fDeletesItself = SetDeleteOnClose(file, true);
    // The final sync of a large file would otherwise wait for all of it at the end.
    fStream.flushBehind(kFlushEvery);
}

SafeOutputFile::~SafeOutputFile() {
    if (!fCommitted) {
        fStream.close();
        if (!fTempPath.empty()) {
            Remove(fTempPath);
        }
    }
}

void SafeOutputFile::keepMetadataOf(const FileStream& source) {
    FILETIME modified{};
    if (!GetFileTime(source.fHandle, nullptr, nullptr, &modified)) {
        ThrowWindowsFileError("Не удалось определить владельца файла", source.path(),
                              GetLastError());
    }
    // Only the time goes over: owners and permissions live in the folder's access lists, and a
    // read-only source would make an output the next run cannot replace.
    fKept = KeptMetadata{0, 0, 0, NanosecondsOf(modified)};
}

void SafeOutputFile::applyKept() {
    // Zero fields stay as they are; the hidden attribute of the unfinished file goes.
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (fKept) {
        basic.LastWriteTime.QuadPart = FileTimeOf(fKept->modifiedNanoseconds);
    }
    if (!SetFileInformationByHandle(fStream.fHandle, FileBasicInfo, &basic, sizeof basic)) {
        CannotWrite(fTargetPath, GetLastError());
    }
}

void SafeOutputFile::prepare() {
    if (fDirect) {
        // Only a file behind standard output keeps anything; a console, a pipe or NUL does not.
        if (GetFileType(fStream.fHandle) == FILE_TYPE_DISK) {
            fStream.sync();
        }
        return;
    }
    applyKept();
    fStream.sync();
}

void SafeOutputFile::publish(bool undoable) {
    if (fDirect) {
        return;
    }
    // A file that would go when its handle closes must not get the target's name.
    if (fDeletesItself && !SetDeleteOnClose(fStream.fHandle, false)) {
        CannotWrite(fTargetPath, GetLastError());
    }
    fDeletesItself = false;
    publishNamed(undoable);
    fTempPath.clear();  // it is the target's name now
    fPublished = true;
}

void SafeOutputFile::finish() noexcept {
    if (!fPreviousPath.empty()) {
        Remove(fPreviousPath);
        fPreviousPath.clear();
    }
    fCommitted = true;
    fStream.close();
}

// Keeps the target's present file under a hidden name until the commit is done, so that an undo
// can put it back.
void SafeOutputFile::keepPrevious() {
    for (;;) {
        fPreviousPath = TemporaryName(fFolder, "kvo") + ".part";
        if (CreateHardLinkW(SystemPathOf(fPreviousPath).c_str(), SystemPathOf(fTargetPath).c_str(),
                            nullptr)) {
            return;
        }
        DWORD error = GetLastError();
        if (error == ERROR_ALREADY_EXISTS) {
            continue;
        }
        // Without hard links the file moves aside, and the target has none for a moment.
        if (!Missing(error)) {
            if (Rename(fTargetPath, fPreviousPath, 0)) {
                fPreviousMoved = true;
                return;
            }
            error = GetLastError();
        }
        fPreviousPath.clear();
        if (!Missing(error)) {
            CannotWrite(fTargetPath, error);
        }
        return;  // nothing there to keep
    }
}

void SafeOutputFile::unpublish() noexcept {
    if (!fPublished) {
        return;
    }
    fPublished = false;
    const auto ours = IdentityOfHandle(fStream.fHandle);
    // A file open here could not be renamed over or removed at once.
    fStream.close();
    if (!fPreviousPath.empty()) {
        Rename(fPreviousPath, fTargetPath, MOVEFILE_REPLACE_EXISTING);
        fPreviousPath.clear();
        return;
    }
    // The name had no file before: it goes, unless another file took it meanwhile. The name is
    // in the folder the file was made in, so the file index alone tells: the volume of a handle
    // whose file was renamed is not always known.
    const auto named = IdentityOf(fTargetPath);
    if (ours && named && ours->inode == named->inode) {
        Remove(fTargetPath);
    }
}

void SafeOutputFile::publishNamed(bool undoable) {
    if (!fReplace) {
        if (Rename(fTempPath, fTargetPath, 0)) {
            return;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
            AlreadyExists(fTargetPath);
        }
        CannotWrite(fTargetPath, error);
    }
    RefuseUnreplaceable(fTargetPath);
    if (undoable) {
        keepPrevious();
    }
    if (!Rename(fTempPath, fTargetPath, MOVEFILE_REPLACE_EXISTING)) {
        const DWORD error = GetLastError();
        if (fPreviousMoved) {
            Rename(fPreviousPath, fTargetPath, 0);
        } else if (!fPreviousPath.empty()) {
            Remove(fPreviousPath);
        }
        fPreviousPath.clear();
        CannotWrite(fTargetPath, error);
    }
}

bool TargetTaken(const std::string& targetPath) {
    if (targetPath == kStandardOutput) {
        return false;
    }
    const std::wstring systemPath = SystemPathOf(targetPath);
    return !IsDevicePath(systemPath) &&
           GetFileAttributesW(systemPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

NameState StateOfName(const std::string& path) {
    const std::wstring systemPath = SystemPathOf(path);
    if (IsDevicePath(systemPath)) {
        return {NameHolds::Other, {}};
    }
    const DWORD attributes = GetFileAttributesW(systemPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (Overlong(systemPath)) {
            return {NameHolds::Nothing, WindowsErrorText(ERROR_FILENAME_EXCED_RANGE)};
        }
        return {NameHolds::Nothing, Missing(error) ? std::string() : WindowsErrorText(error)};
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return {NameHolds::Other, {}};
    }
    return {NameHolds::File, {}};
}

std::optional<FileIdentity> TargetIdentity(const std::string& targetPath) {
    if (targetPath == kStandardOutput) {
        return IdentityOfHandle(GetStdHandle(STD_OUTPUT_HANDLE));
    }
    if (IsDevicePath(SystemPathOf(targetPath))) {
        return std::nullopt;
    }
    return IdentityOf(targetPath);
}

}  // namespace kvo
