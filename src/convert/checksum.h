#pragma once
// SHA-256 of a compressed file, kept beside it as NAME.sha256 in the format `sha256sum -c` reads,
// because the format itself carries no checksum.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "convert/converterror.h"
#include "platform/filestream.h"
#include "platform/sha256.h"

namespace kvo {

// Hashes what is read from a stream, in order, for as long as it lives: a file is checked in the
// same pass that restores it.
class HashedReads {
  public:
    explicit HashedReads(FileStream& source);
    HashedReads(const HashedReads&) = delete;
    HashedReads& operator=(const HashedReads&) = delete;
    ~HashedReads();

    std::string finishHex() { return fHash.finishHex(); }

  private:
    FileStream& fSource;
    Sha256 fHash;
};

// A checksum file holds a line or a few; more than this is no checksum file.
inline constexpr std::size_t kMaxChecksumFileSize = std::size_t{16} << 10;

std::string ChecksumPathFor(const std::string& path);
// The line of the checksum file beside `path` that names it.
std::string ChecksumLineFor(const std::string& hex, const std::string& path);
// The digest the checksum file beside `archive` gives it, or nothing when there is no such file.
// A checksum file that is no regular file, is too large, or names the archive in no line or with
// two digests is a ConvertError.
std::optional<std::string> ReadChecksumFor(const FileStream& archive);
// Kind::ChecksumMismatch: `path` differs from what its checksum file says.
ConvertError ChecksumMismatchError(const std::string& path);
// Reads the stream from its start to its end; leaves it at 0.
std::string Sha256Of(FileStream& stream);

}  // namespace kvo
