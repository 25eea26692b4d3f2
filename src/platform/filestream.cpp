#include "platform/filestream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/systemerror.h"

namespace kvo {
namespace {

std::atomic<WriteFunction> gWriteFunction{&::write};

// Single system calls move at most this much, so counts never overflow ssize_t.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;
constexpr std::size_t kCopyChunk = std::size_t{1} << 20;

std::string Reason(int errorCode) {
    return SystemErrorText(errorCode);
}

[[noreturn]] void Fail(const std::string& what, const std::string& path, int errorCode) {
    throw FileError(what + " " + path + ": " + Reason(errorCode), errorCode);
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Makes a finished rename survive a crash of the machine.
void SyncFolder(const std::string& folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
}

}  // namespace

FileError::FileError(const std::string& message, int errorCode)
    : std::runtime_error(message), fErrorCode(errorCode) {}

void SetWriteFunction(WriteFunction function) noexcept {
    gWriteFunction.store(function != nullptr ? function : &::write);
}

FileStream::FileStream(int descriptor, std::string path) noexcept
    : fDescriptor(descriptor), fPath(std::move(path)) {}

FileStream FileStream::OpenRead(const std::string& path) {
    // Without O_NONBLOCK, opening a named pipe would wait for a writer for ever.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0) {
        Fail("Не удалось открыть файл", path, errno);
    }
    FileStream stream(descriptor, path);
    struct stat info {};
    if (::fstat(descriptor, &info) != 0) {
        Fail("Не удалось открыть файл", path, errno);
    }
    if (S_ISDIR(info.st_mode)) {
        Fail("Не удалось открыть файл", path, EISDIR);
    }
    if (!S_ISREG(info.st_mode)) {
        throw FileError("Не удалось открыть файл " + path + ": это не обычный файл", EINVAL);
    }
    if (::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK) != 0) {
        Fail("Не удалось открыть файл", path, errno);
    }
    return stream;
}

FileStream::FileStream(FileStream&& other) noexcept
    : fDescriptor(std::exchange(other.fDescriptor, -1)),
      fPath(std::move(other.fPath)),
      fPosition(other.fPosition) {}

FileStream& FileStream::operator=(FileStream&& other) noexcept {
    if (this != &other) {
        close();
        fDescriptor = std::exchange(other.fDescriptor, -1);
        fPath = std::move(other.fPath);
        fPosition = other.fPosition;
    }
    return *this;
}

FileStream::~FileStream() {
    close();
}

void FileStream::close() noexcept {
    if (fDescriptor >= 0) {
        ::close(fDescriptor);
        fDescriptor = -1;
    }
}

std::uint64_t FileStream::size() const {
    struct stat info {};
    if (::fstat(fDescriptor, &info) != 0) {
        Fail("Не удалось определить размер файла", fPath, errno);
    }
    return static_cast<std::uint64_t>(info.st_size);
}

void FileStream::seek(std::uint64_t position) {
    if (position > static_cast<std::uint64_t>(INT64_MAX) ||
        ::lseek(fDescriptor, static_cast<off_t>(position), SEEK_SET) < 0) {
        Fail("Не удалось перейти к позиции " + std::to_string(position) + " в файле", fPath,
             position > static_cast<std::uint64_t>(INT64_MAX) ? EINVAL : errno);
    }
    fPosition = position;
}

std::size_t FileStream::read(void* data, std::size_t count) {
    auto* bytes = static_cast<std::uint8_t*>(data);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(fDescriptor, bytes + done, std::min(count - done, kMaxTransfer));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            Fail("Не удалось прочитать файл", fPath, errno);
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
        fPosition += static_cast<std::uint64_t>(got);
    }
    return done;
}

void FileStream::readExact(void* data, std::size_t count) {
    const std::size_t got = read(data, count);
    if (got != count) {
        throw FileError("Файл " + fPath + " короче ожидаемого: прочитано " + std::to_string(got) +
                            " байт из " + std::to_string(count),
                        0);
    }
}

void FileStream::write(const void* data, std::size_t count) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    const WriteFunction writeFunction = gWriteFunction.load();
    std::size_t done = 0;
    while (done < count) {
        const ssize_t put =
            writeFunction(fDescriptor, bytes + done, std::min(count - done, kMaxTransfer));
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            Fail("Не удалось записать файл", fPath, errno);
        }
        if (put == 0) {
            // A write that makes no progress and names no reason: the device is full.
            Fail("Не удалось записать файл", fPath, ENOSPC);
        }
        done += static_cast<std::size_t>(put);
        fPosition += static_cast<std::uint64_t>(put);
    }
}

void FileStream::copyFrom(FileStream& source, std::uint64_t count) {
    std::vector<std::uint8_t> chunk(
        static_cast<std::size_t>(std::min<std::uint64_t>(count, kCopyChunk)));
    while (count > 0) {
        const auto part = static_cast<std::size_t>(std::min<std::uint64_t>(count, chunk.size()));
        source.readExact(chunk.data(), part);
        write(chunk.data(), part);
        count -= part;
    }
}

void FileStream::sync() {
    if (::fsync(fDescriptor) != 0) {
        Fail("Не удалось сохранить на диск файл", fPath, errno);
    }
}

SafeOutputFile::SafeOutputFile(const std::string& targetPath)
    : fTargetPath(targetPath), fStream(-1, targetPath) {
    struct stat existing {};
    const bool targetExists = ::stat(targetPath.c_str(), &existing) == 0;
    if (targetExists && !S_ISREG(existing.st_mode)) {
        Fail("Не удалось создать файл", targetPath, S_ISDIR(existing.st_mode) ? EISDIR : EINVAL);
    }
    static std::atomic<unsigned> counter{0};
    const std::string stem = FolderOf(targetPath) + "/." + NameOf(targetPath) + ".part-" +
                             std::to_string(::getpid()) + "-";
    for (;;) {
        fTempPath = stem + std::to_string(counter.fetch_add(1));
        const int descriptor =
            ::open(fTempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0) {
            fStream = FileStream(descriptor, targetPath);
            break;
        }
        if (errno != EEXIST) {
            Fail("Не удалось создать файл", targetPath, errno);
        }
    }
    // A replaced file keeps the permissions its owner gave it.
    if (targetExists) {
        ::fchmod(fStream.fDescriptor, existing.st_mode & 07777);
    }
}

SafeOutputFile::~SafeOutputFile() {
    if (!fCommitted) {
        fStream.close();
        ::unlink(fTempPath.c_str());
    }
}

void SafeOutputFile::commit() {
    fStream.sync();
    if (::rename(fTempPath.c_str(), fTargetPath.c_str()) != 0) {
        Fail("Не удалось записать файл", fTargetPath, errno);
    }
    fCommitted = true;
    fStream.close();
    SyncFolder(FolderOf(fTargetPath));
}

}  // namespace kvo
