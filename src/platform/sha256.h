#pragma once
// SHA-256 from the system's own cryptography: libcrypto on Linux, CNG on Windows.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

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

// The lower-case hex digits of a digest.
std::string HexDigits(const unsigned char* digest, std::size_t length);

}  // namespace kvo
