#pragma once
// Byte-exact file access for the conversion commands: 64-bit sizes, exact reads and writes,
// and an output file that appears only once a run has succeeded.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace kvo {

// Every failure of a file operation. The message is shown to the user as it stands: it names the
// operation, the file and the system's reason.
class FileError : public std::runtime_error {
  public:
    FileError(const std::string& message, int errorCode);
    // The errno value behind the failure, or 0 when the file was simply shorter than expected.
    int errorCode() const noexcept { return fErrorCode; }

  private:
    int fErrorCode;
};

// An open file descriptor with a position. Move-only; closes on destruction.
class FileStream {
  public:
    // Read-only; others may go on reading and writing the file meanwhile.
    static FileStream OpenRead(const std::string& path);

    FileStream(FileStream&& other) noexcept;
    FileStream& operator=(FileStream&& other) noexcept;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;
    ~FileStream();

    const std::string& path() const noexcept { return fPath; }
    std::uint64_t size() const;
    std::uint64_t position() const noexcept { return fPosition; }
    void seek(std::uint64_t position);

    // Reads up to count bytes; fewer only at the end of the file.
    std::size_t read(void* data, std::size_t count);
    // Reads exactly count bytes or throws.
    void readExact(void* data, std::size_t count);
    // Writes all count bytes or throws (short writes and interruptions are retried).
    void write(const void* data, std::size_t count);
    // Copies exactly count bytes from the source's position to this stream's position, or throws.
    void copyFrom(FileStream& source, std::uint64_t count);
    // Hands everything written to the storage device.
    void sync();

  private:
    friend class SafeOutputFile;
    FileStream(int descriptor, std::string path) noexcept;
    void close() noexcept;

    int fDescriptor = -1;
    std::string fPath;
    std::uint64_t fPosition = 0;
};

// A new file written beside its target under a temporary name. commit() renames it over the
// target; without commit the temporary file is removed, so a failed run leaves an existing target
// as it was and no new file behind.
class SafeOutputFile {
  public:
    explicit SafeOutputFile(const std::string& targetPath);
    SafeOutputFile(const SafeOutputFile&) = delete;
    SafeOutputFile& operator=(const SafeOutputFile&) = delete;
    ~SafeOutputFile();

    FileStream& stream() noexcept { return fStream; }
    const std::string& targetPath() const noexcept { return fTargetPath; }
    void commit();

  private:
    std::string fTargetPath;
    std::string fTempPath;
    FileStream fStream;
    bool fCommitted = false;
};

// Test seam: every write of every FileStream goes through this function (the system's write by
// default). Tests install one that fails after a byte budget to simulate a full disk.
using WriteFunction = ssize_t (*)(int descriptor, const void* data, std::size_t count);
void SetWriteFunction(WriteFunction function) noexcept;

}  // namespace kvo
