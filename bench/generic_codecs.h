#pragma once
// General-purpose compressors the block codec is measured against, behind one small interface.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kvo::bench {

class GenericCodec {
  public:
    virtual ~GenericCodec() = default;
    virtual std::string name() const = 0;
    // Replaces `out` with the compressed form of src[0..size).
    virtual void compress(const std::uint8_t* src, std::size_t size,
                          std::vector<std::uint8_t>& out) const = 0;
    // Restores exactly `size` bytes into dst; throws when the data do not restore.
    virtual void restore(const std::vector<std::uint8_t>& packed, std::uint8_t* dst,
                         std::size_t size) const = 0;
};

// zstd 1, 3, 19; zlib 1, 6; xz preset 6; lz4.
std::vector<std::unique_ptr<GenericCodec>> makeGenericCodecs();

}  // namespace kvo::bench
