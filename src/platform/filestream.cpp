#include "platform/filestream.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <utility>
#include <vector>

#include "platform/filestreamseam.h"
#include "platform/flushbehind.h"
#include "platform/russiancount.h"
#include "platform/systemerror.h"

namespace kvo {
namespace {

std::atomic<WriteFunction> gWriteFunction{&SystemWrite};

constexpr std::size_t kCopyChunk = std::size_t{1} << 20;
// Larger single writes were measured to cost several times more kernel time per byte.
constexpr std::size_t kWriteTransfer = std::size_t{1} << 20;

void RequireWhole(const std::string& path, std::size_t got, std::size_t count) {
    if (got != count) {
        throw FileError("Файл " + path + " короче ожидаемого: прочитано " + std::to_string(got) +
                            " из " + CountOf(count, kByteForms),
                        0);
    }
}

}  // namespace

void ThrowFileError(const std::string& what, const std::string& path, int errorCode) {
    throw FileError(what + " " + path + ": " + SystemErrorText(errorCode), errorCode, path);
}

FileError::FileError(const std::string& message, int errorCode, std::string path)
    : std::runtime_error(message), fErrorCode(errorCode), fPath(std::move(path)) {}

void SetWriteFunction(WriteFunction function) noexcept {
    gWriteFunction.store(function != nullptr ? function : &SystemWrite);
}

FileStream::FileStream(FileStream&& other) noexcept
    : fHandle(std::exchange(other.fHandle, kNoHandle)),
      fPath(std::move(other.fPath)),
      fPosition(other.fPosition),
      fMayWaitForEver(other.fMayWaitForEver),
      fObserver(std::move(other.fObserver)),
      fReadObserver(std::move(other.fReadObserver)),
      fFlush(std::move(other.fFlush)) {}

FileStream& FileStream::operator=(FileStream&& other) noexcept {
    if (this != &other) {
        close();
        fHandle = std::exchange(other.fHandle, kNoHandle);
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

std::size_t FileStream::read(void* data, std::size_t count) {
    const std::size_t done = readUpTo(data, count, std::nullopt);
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
    RequireWhole(fPath, readUpTo(data, count, offset), count);
}

void FileStream::write(const void* data, std::size_t count) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (fObserver) {
        fObserver(bytes, count);
    }
    const WriteFunction writeFunction = gWriteFunction.load();
    std::size_t done = 0;
    while (done < count) {
        const std::size_t part = writeRoom(std::min(count - done, kWriteTransfer));
        if (part == 0) {
            continue;
        }
        const WriteOutcome put = writeFunction(fHandle, fPosition, bytes + done, part);
        if (put.error == EINTR) {
            continue;
        }
        if (put.error != 0) {
            ThrowSystemFailure("Не удалось записать файл", fPath, put);
        }
        if (put.written == 0) {
            // A write that makes no progress and names no reason: the device is full.
            ThrowFileError("Не удалось записать файл", fPath, ENOSPC);
        }
        done += put.written;
        fPosition += put.written;
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

void FileStream::flushBehind(std::uint64_t every) {
    fFlush = std::make_unique<FlushBehind>(fHandle, every);
}

}  // namespace kvo
