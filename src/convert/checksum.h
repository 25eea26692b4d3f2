#pragma once
// SHA-256 of a compressed file, kept beside it as NAME.sha256 in the format `sha256sum -c` reads,
// because the format itself carries no checksum.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/filestream.h"

namespace kvo {

class Sha256 {
  public:
    Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;
    ~Sha256();

    void update(const std::uint8_t* data, std::size_t count);
    // Lower-case hex digits; the hash cannot be updated afterwards.
    std::string finishHex();

  private:
    struct Context;
    std::unique_ptr<Context> fContext;
};

std::string ChecksumPathFor(const std::string& path);
// One line of `sha256sum` output for a file in the same folder as the checksum file.
std::string ChecksumLine(const std::string& hex, const std::string& path);
// The digest a checksum file names for `path`, or nothing when there is no such file. A file
// that exists but does not hold a line for it is a ConvertError.
std::optional<std::string> ReadChecksumFor(const std::string& path);
// Reads the stream from its start to its end; leaves it at 0.
std::string Sha256Of(FileStream& stream);

}  // namespace kvo
