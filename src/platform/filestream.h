#pragma once
// Byte-exact file access for the conversion commands: 64-bit sizes, exact reads and writes,
// and the identity of a file.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

namespace kvo {

class FlushBehind;

#ifdef _WIN32
using NativeHandle = void*;  // a HANDLE
inline constexpr NativeHandle kNoHandle = nullptr;
#else
using NativeHandle = int;  // a file descriptor
inline constexpr NativeHandle kNoHandle = -1;
#endif

// Every failure of a file operation. The message is shown to the user as it stands: it names the
// operation, the file and the system's reason.
class FileError : public std::runtime_error {
  public:
    FileError(const std::string& message, int errorCode, std::string path = {});
    // The errno value behind the failure (also on systems with codes of their own, which the
    // message shows), or 0 when the file was simply shorter than expected.
    int errorCode() const noexcept { return fErrorCode; }
    // The file the failure concerns, when known.
    const std::string& path() const noexcept { return fPath; }

  private:
    int fErrorCode;
    std::string fPath;
};

// How messages name standard input.
inline constexpr char kStandardInput[] = "стандартный ввод";

// Throws FileError "<what> <path>: <the system's reason>".
[[noreturn]] void ThrowFileError(const std::string& what, const std::string& path, int errorCode);

// What tells one state of a file from another: a file replaced, grown, shrunk or rewritten in
// place differs in one of these.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::uint32_t mode = 0;  // permission bits

    bool sameFile(const FileIdentity& other) const noexcept {
        return device == other.device && inode == other.inode;
    }
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file a path names (links followed), or nothing when there is none.
std::optional<FileIdentity> IdentityOf(const std::string& path);

// The user's folder for temporary files, as the system names it (TMPDIR or /tmp on POSIX; TMP,
// TEMP or the profile's folder on Windows).
std::string TemporaryFolder();

// Sees the bytes a stream reads or writes, in order (a checksum computed on the way).
using ByteObserver = std::function<void(const std::uint8_t* data, std::size_t count)>;

// An open file with a position. Move-only; closes on destruction.
class FileStream {
  public:
    // Read-only; others may go on reading and writing the file meanwhile.
    static FileStream OpenRead(const std::string& path);
    // Standard input copied to an unnamed file in `folder` (on Windows a hidden one that goes
    // when it is closed), so a pipe can be read like a file; the stream stands at 0 and is named
    // kStandardInput.
    static FileStream SpoolStandardInput(const std::string& folder);

    FileStream(FileStream&& other) noexcept;
    FileStream& operator=(FileStream&& other) noexcept;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;
    ~FileStream();

    const std::string& path() const noexcept { return fPath; }
    std::uint64_t size() const;
    FileIdentity identity() const;
    std::uint64_t position() const noexcept { return fPosition; }
    void seek(std::uint64_t position);

    // Reads up to count bytes; fewer only at the end of the file.
    std::size_t read(void* data, std::size_t count);
    // Reads exactly count bytes or throws.
    void readExact(void* data, std::size_t count);
    // Reads exactly count bytes at `offset` or throws, leaving the position alone: threads may
    // read the file side by side this way.
    void readExactAt(std::uint64_t offset, void* data, std::size_t count) const;
    // Writes all count bytes or throws (short writes and interruptions are retried).
    void write(const void* data, std::size_t count);
    // Copies exactly count bytes from the source's position to this stream's position, or throws.
    void copyFrom(FileStream& source, std::uint64_t count);
    // Tells the system the file will be read from here to its end, for a larger read-ahead.
    void adviseSequential() const noexcept;
    // From now on, hands the written data to the storage device on a thread of its own each time
    // `every` more bytes were written, so that sync() has little left to do.
    void flushBehind(std::uint64_t every);
    // Hands everything written to the storage device.
    void sync();
    void setWriteObserver(ByteObserver observer) { fObserver = std::move(observer); }
    // Sees what read(), readExact() and copyFrom() take from this stream; readExactAt() is not
    // seen, since threads read side by side that way.
    void setReadObserver(ByteObserver observer) { fReadObserver = std::move(observer); }

  private:
    friend class SafeOutputFile;
    FileStream(NativeHandle handle, std::string path) noexcept;
    void close() noexcept;
    // The system's part of read() and readExactAt(): reads at `offset`, or where the stream
    // stands without one; fewer bytes only at the end of the file.
    std::size_t readUpTo(void* data, std::size_t count, std::optional<std::uint64_t> offset) const;
    // How much of `wanted` bytes the next write may carry: 0 while a pipe has no room yet.
    std::size_t writeRoom(std::size_t wanted);

    NativeHandle fHandle = kNoHandle;
    std::string fPath;
    std::uint64_t fPosition = 0;
    // A pipe, socket, terminal or device: no place to read or write at, and writes may wait.
    bool fMayWaitForEver = false;
    ByteObserver fObserver;
    ByteObserver fReadObserver;
    std::unique_ptr<FlushBehind> fFlush;
};

// What one write did: the bytes it wrote, or why it wrote none.
struct WriteOutcome {
    std::size_t written = 0;
    int error = 0;  // the errno value of a failure, 0 when none
    std::uint32_t systemCode =
        0;  // the system's own code of a failure, where it has one of its own
};

// Test seam: every write of every FileStream goes through this function (SystemWrite by default).
// Tests install one that fails after a byte budget to simulate a full disk, handing the bytes
// they let through on to SystemWrite. `offset` is where the stream stands; pipes and devices
// have no place and take the bytes in order.
using WriteFunction = WriteOutcome (*)(NativeHandle handle, std::uint64_t offset, const void* data,
                                       std::size_t count);
void SetWriteFunction(WriteFunction function) noexcept;
WriteOutcome SystemWrite(NativeHandle handle, std::uint64_t offset, const void* data,
                         std::size_t count);

}  // namespace kvo
