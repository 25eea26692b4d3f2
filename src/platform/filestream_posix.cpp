#include "platform/filestream.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <utility>
#include <vector>

#include "platform/filestreamseam.h"
#include "platform/flushbehind.h"
#include "platform/interruption.h"

namespace kvo {
namespace {

// Single system calls move at most this much, so counts never overflow ssize_t.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;
constexpr std::size_t kSpoolChunk = std::size_t{1} << 20;

FileIdentity IdentityFrom(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
            static_cast<std::uint64_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec,
            static_cast<std::uint32_t>(info.st_mode & 07777)};
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

}  // namespace

void ThrowSystemFailure(const std::string& what, const std::string& path,
                        const WriteOutcome& outcome) {
    ThrowFileError(what, path, outcome.error);
}

std::string TemporaryFolder() {
    const char* folder = std::getenv("TMPDIR");
    return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return IdentityFrom(info);
}

// The descriptor stands at the offset already: streams move it only by seek() and their writes.
WriteOutcome SystemWrite(NativeHandle handle, std::uint64_t /*offset*/, const void* data,
                         std::size_t count) {
    const ssize_t put = ::write(handle, data, count);
    if (put < 0) {
        return {0, errno, 0};
    }
    return {static_cast<std::size_t>(put), 0, 0};
}

int FlushData(NativeHandle handle) noexcept {
    return ::fdatasync(handle) == 0 || errno == EINTR ? 0 : errno;
}

FileStream::FileStream(int descriptor, std::string path) noexcept
    : fHandle(descriptor), fPath(std::move(path)), fMayWaitForEver(MayWaitForEver(descriptor)) {}

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
    std::vector<std::uint8_t> chunk(kSpoolChunk);
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

void FileStream::close() noexcept {
    fFlush.reset();  // its thread uses the descriptor
    if (fHandle >= 0) {
        ::close(fHandle);
        fHandle = -1;
    }
}

FileIdentity FileStream::identity() const {
    struct stat info {};
    if (::fstat(fHandle, &info) != 0) {
        ThrowFileError("Не удалось определить размер файла", fPath, errno);
    }
    return IdentityFrom(info);
}

std::uint64_t FileStream::size() const {
    struct stat info {};
    if (::fstat(fHandle, &info) != 0) {
        ThrowFileError("Не удалось определить размер файла", fPath, errno);
    }
    return static_cast<std::uint64_t>(info.st_size);
}

void FileStream::seek(std::uint64_t position) {
    if (position > static_cast<std::uint64_t>(INT64_MAX) ||
        ::lseek(fHandle, static_cast<off_t>(position), SEEK_SET) < 0) {
        ThrowFileError("Не удалось перейти к позиции " + std::to_string(position) + " в файле",
                       fPath, position > static_cast<std::uint64_t>(INT64_MAX) ? EINVAL : errno);
    }
    fPosition = position;
}

std::size_t FileStream::readUpTo(void* data, std::size_t count,
                                 std::optional<std::uint64_t> offset) const {
    auto* bytes = static_cast<std::uint8_t*>(data);
    std::size_t done = 0;
    while (done < count) {
        const std::size_t part = std::min(count - done, kMaxTransfer);
        const ssize_t got =
            offset ? ::pread(fHandle, bytes + done, part, static_cast<off_t>(*offset + done))
                   : ::read(fHandle, bytes + done, part);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowFileError("Не удалось прочитать файл", fPath, errno);
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::size_t FileStream::writeRoom(std::size_t wanted) {
    if (!fMayWaitForEver) {
        return wanted;
    }
    if (!WaitForPipe(fHandle, POLLOUT, "Не удалось записать файл", fPath)) {
        return 0;
    }
    return std::min(wanted, PipeRoom(fHandle));
}

void FileStream::adviseSequential() const noexcept {
    ::posix_fadvise(fHandle, 0, 0, POSIX_FADV_SEQUENTIAL);
}

void FileStream::sync() {
    const int flushError = fFlush ? fFlush->stop() : 0;
    if (flushError != 0) {
        ThrowFileError("Не удалось сохранить на диск файл", fPath, flushError);
    }
    if (::fsync(fHandle) != 0) {
        ThrowFileError("Не удалось сохранить на диск файл", fPath, errno);
    }
}

}  // namespace kvo
