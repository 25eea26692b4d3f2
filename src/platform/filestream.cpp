#include "platform/filestream.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/flushbehind.h"
#include "platform/interruption.h"
#include "platform/russiancount.h"
#include "platform/systemerror.h"

namespace kvo {
namespace {

std::atomic<WriteFunction> gWriteFunction{&::write};

// Single system calls move at most this much, so counts never overflow ssize_t.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;
constexpr std::size_t kCopyChunk = std::size_t{1} << 20;
// Larger single writes were measured to cost several times more kernel time per byte.
constexpr std::size_t kWriteTransfer = std::size_t{1} << 20;

std::string Reason(int errorCode) {
    return SystemErrorText(errorCode);
}

FileIdentity IdentityFrom(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
            static_cast<std::uint64_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec,
            static_cast<std::uint32_t>(info.st_mode & 07777)};
}

// Reads up to count bytes at `offset`, or at the descriptor's position without one; fewer only
// at the end of the file.
std::size_t ReadUpTo(int descriptor, const std::string& path, void* data, std::size_t count,
                     std::optional<std::uint64_t> offset) {
    auto* bytes = static_cast<std::uint8_t*>(data);
    std::size_t done = 0;
    while (done < count) {
        const std::size_t part = std::min(count - done, kMaxTransfer);
        const ssize_t got =
            offset ? ::pread(descriptor, bytes + done, part, static_cast<off_t>(*offset + done))
                   : ::read(descriptor, bytes + done, part);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowFileError("Не удалось прочитать файл", path, errno);
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

// How long a wait for a pipe goes before it looks again whether the user asked to stop.
constexpr int kPipeWaitMilliseconds = 100;

// A pipe (or socket, or terminal) may keep a plain read or write waiting for ever, and a signal
// may land on another thread: such descriptors are waited for with poll, a little at a time,
// and the request to stop is looked at between waits. True when `events` are there.
bool WaitForPipe(int descriptor, short events, const std::string& what, const std::string& path) {
    ThrowIfInterrupted();
    pollfd wanted{descriptor, events, 0};
    const int ready = ::poll(&wanted, 1, kPipeWaitMilliseconds);
    if (ready < 0 && errno != EINTR) {
        ThrowFileError(what, path, errno);
    }
    return ready > 0;
}

// How much one write may carry once poll saw room: the whole pipe when it is empty, else the
// size the system writes into a pipe at once.
std::size_t PipeRoom(int descriptor) noexcept {
    const int capacity = ::fcntl(descriptor, F_GETPIPE_SZ);
    int queued = 0;
    if (capacity > 0 && ::ioctl(descriptor, FIONREAD, &queued) == 0 && queued == 0) {
        return static_cast<std::size_t>(capacity);
    }
    return PIPE_BUF;
}

bool MayWaitForEver(int descriptor) noexcept {
    struct stat info {};
    return ::fstat(descriptor, &info) == 0 &&
           (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode) || ::isatty(descriptor) == 1);
}

void RequireWhole(const std::string& path, std::size_t got, std::size_t count) {
    if (got != count) {
        throw FileError("Файл " + path + " короче ожидаемого: прочитано " + std::to_string(got) +
                            " из " + CountOf(count, kByteForms),
                        0);
    }
}

}  // namespace

void ThrowFileError(const std::string& what, const std::string& path, int errorCode) {
    throw FileError(what + " " + path + ": " + Reason(errorCode), errorCode, path);
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return IdentityFrom(info);
}

FileError::FileError(const std::string& message, int errorCode, std::string path)
    : std::runtime_error(message), fErrorCode(errorCode), fPath(std::move(path)) {}

void SetWriteFunction(WriteFunction function) noexcept {
    gWriteFunction.store(function != nullptr ? function : &::write);
}

FileStream::FileStream(int descriptor, std::string path) noexcept
    : fDescriptor(descriptor),
      fPath(std::move(path)),
      fMayWaitForEver(MayWaitForEver(descriptor)) {}

FileStream FileStream::OpenRead(const std::string& path) {
    // Without O_NONBLOCK, opening a named pipe would wait for a writer for ever.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0) {
        ThrowFileError("Не удалось открыть файл", path, errno);
    }
    FileStream stream(descriptor, path);
    struct stat info {};
    if (::fstat(descriptor, &info) != 0) {
        ThrowFileError("Не удалось открыть файл", path, errno);
    }
    if (S_ISDIR(info.st_mode)) {
        ThrowFileError("Не удалось открыть файл", path, EISDIR);
    }
    if (!S_ISREG(info.st_mode)) {
        throw FileError("Не удалось открыть файл " + path + ": это не обычный файл", EINVAL);
    }
    if (::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK) != 0) {
        ThrowFileError("Не удалось открыть файл", path, errno);
    }
    return stream;
}

FileStream FileStream::SpoolStandardInput(const std::string& folder) {
    int descriptor = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (descriptor < 0) {
        std::string name = folder + "/.kvo-stdin-XXXXXX";
        descriptor = ::mkostemp(name.data(), O_CLOEXEC);
        if (descriptor < 0) {
            ThrowFileError("Не удалось создать временный файл в", folder, errno);
        }
        ::unlink(name.c_str());
    }
    FileStream spool(descriptor, kStandardInput);
    std::vector<std::uint8_t> chunk(kCopyChunk);
    for (;;) {
        if (!WaitForPipe(STDIN_FILENO, POLLIN, "Не удалось прочитать", kStandardInput)) {
            continue;
        }
        const ssize_t got = ::read(STDIN_FILENO, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            ThrowFileError("Не удалось прочитать", kStandardInput, errno);
        }
        if (got == 0) {
            break;
        }
        spool.write(chunk.data(), static_cast<std::size_t>(got));
    }
    spool.seek(0);
    return spool;
}

FileStream::FileStream(FileStream&& other) noexcept
    : fDescriptor(std::exchange(other.fDescriptor, -1)),
      fPath(std::move(other.fPath)),
      fPosition(other.fPosition),
      fMayWaitForEver(other.fMayWaitForEver),
      fObserver(std::move(other.fObserver)),
      fReadObserver(std::move(other.fReadObserver)),
      fFlush(std::move(other.fFlush)) {}

FileStream& FileStream::operator=(FileStream&& other) noexcept {
    if (this != &other) {
        close();
        fDescriptor = std::exchange(other.fDescriptor, -1);
        fPath = std::move(other.fPath);
        fPosition = other.fPosition;
        fMayWaitForEver = other.fMayWaitForEver;
        fObserver = std::move(other.fObserver);
        fReadObserver = std::move(other.fReadObserver);
        fFlush = std::move(other.fFlush);
    }
    return *this;
}

FileStream::~FileStream() {
    close();
}

void FileStream::close() noexcept {
    fFlush.reset();  // its thread uses the descriptor
    if (fDescriptor >= 0) {
        ::close(fDescriptor);
        fDescriptor = -1;
    }
}

FileIdentity FileStream::identity() const {
    struct stat info {};
    if (::fstat(fDescriptor, &info) != 0) {
        ThrowFileError("Не удалось определить размер файла", fPath, errno);
    }
    return IdentityFrom(info);
}

std::uint64_t FileStream::size() const {
    struct stat info {};
    if (::fstat(fDescriptor, &info) != 0) {
        ThrowFileError("Не удалось определить размер файла", fPath, errno);
    }
    return static_cast<std::uint64_t>(info.st_size);
}

void FileStream::seek(std::uint64_t position) {
    if (position > static_cast<std::uint64_t>(INT64_MAX) ||
        ::lseek(fDescriptor, static_cast<off_t>(position), SEEK_SET) < 0) {
        ThrowFileError("Не удалось перейти к позиции " + std::to_string(position) + " в файле",
                       fPath, position > static_cast<std::uint64_t>(INT64_MAX) ? EINVAL : errno);
    }
    fPosition = position;
}

std::size_t FileStream::read(void* data, std::size_t count) {
    const std::size_t done = ReadUpTo(fDescriptor, fPath, data, count, std::nullopt);
    fPosition += done;
    if (fReadObserver && done != 0) {
        fReadObserver(static_cast<const std::uint8_t*>(data), done);
    }
    return done;
}

void FileStream::readExact(void* data, std::size_t count) {
    RequireWhole(fPath, read(data, count), count);
}

void FileStream::readExactAt(std::uint64_t offset, void* data, std::size_t count) const {
    RequireWhole(fPath, ReadUpTo(fDescriptor, fPath, data, count, offset), count);
}

void FileStream::write(const void* data, std::size_t count) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (fObserver) {
        fObserver(bytes, count);
    }
    const WriteFunction writeFunction = gWriteFunction.load();
    std::size_t done = 0;
    while (done < count) {
        std::size_t part = std::min(count - done, kWriteTransfer);
        if (fMayWaitForEver) {
            if (!WaitForPipe(fDescriptor, POLLOUT, "Не удалось записать файл", fPath)) {
                continue;
            }
            part = std::min(part, PipeRoom(fDescriptor));
        }
        const ssize_t put = writeFunction(fDescriptor, bytes + done, part);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowFileError("Не удалось записать файл", fPath, errno);
        }
        if (put == 0) {
            // A write that makes no progress and names no reason: the device is full.
            ThrowFileError("Не удалось записать файл", fPath, ENOSPC);
        }
        done += static_cast<std::size_t>(put);
        fPosition += static_cast<std::uint64_t>(put);
    }
    if (fFlush) {
        fFlush->wrote(count);
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

void FileStream::adviseSequential() const noexcept {
    ::posix_fadvise(fDescriptor, 0, 0, POSIX_FADV_SEQUENTIAL);
}

void FileStream::flushBehind(std::uint64_t every) {
    fFlush = std::make_unique<FlushBehind>(fDescriptor, every);
}

void FileStream::sync() {
    const int flushError = fFlush ? fFlush->stop() : 0;
    if (flushError != 0) {
        ThrowFileError("Не удалось сохранить на диск файл", fPath, flushError);
    }
    if (::fsync(fDescriptor) != 0) {
        ThrowFileError("Не удалось сохранить на диск файл", fPath, errno);
    }
}

}  // namespace kvo
