#include <openssl/evp.h>

#include <stdexcept>

#include "platform/sha256.h"

namespace kvo {

struct Sha256::Context {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> md{EVP_MD_CTX_new(), &EVP_MD_CTX_free};
};

Sha256::Sha256() : fContext(std::make_unique<Context>()) {
    if (!fContext->md || EVP_DigestInit_ex(fContext->md.get(), EVP_sha256(), nullptr) != 1) {
        throw std::runtime_error("Не удалось начать подсчет контрольной суммы SHA-256");
    }
}

Sha256::~Sha256() = default;

void Sha256::update(const std::uint8_t* data, std::size_t count) {
    EVP_DigestUpdate(fContext->md.get(), data, count);
}

std::string Sha256::finishHex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(fContext->md.get(), digest, &length);
    return HexDigits(digest, length);
}

}  // namespace kvo
