#include <windows.h>
// After windows.h, which it needs.
#include <bcrypt.h>

#include <limits>
#include <stdexcept>

#include "platform/sha256.h"

namespace kvo {
namespace {

constexpr std::size_t kDigestSize = 32;

[[noreturn]] void Fail() {
    throw std::runtime_error("Не удалось начать подсчет контрольной суммы SHA-256");
}

}  // namespace

struct Sha256::Context {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;

    Context() {
        if (!BCRYPT_SUCCESS(
                BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
            Fail();
        }
        // The system keeps the hash object itself when none is given.
        if (!BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0))) {
            BCryptCloseAlgorithmProvider(algorithm, 0);
            Fail();
        }
    }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    ~Context() {
        BCryptDestroyHash(hash);
        BCryptCloseAlgorithmProvider(algorithm, 0);
    }
};

Sha256::Sha256() : fContext(std::make_unique<Context>()) {}

Sha256::~Sha256() = default;

void Sha256::update(const std::uint8_t* data, std::size_t count) {
    // CNG takes at most 4 GiB - 1 at a time.
    constexpr std::size_t kMost = std::numeric_limits<ULONG>::max();
    while (count > 0) {
        const auto part = static_cast<ULONG>(count < kMost ? count : kMost);
        BCryptHashData(fContext->hash, const_cast<PUCHAR>(data), part, 0);
        data += part;
        count -= part;
    }
}

std::string Sha256::finishHex() {
    unsigned char digest[kDigestSize];
    BCryptFinishHash(fContext->hash, digest, kDigestSize, 0);
    return HexDigits(digest, kDigestSize);
}

}  // namespace kvo
