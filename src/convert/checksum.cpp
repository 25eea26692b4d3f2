#include "convert/checksum.h"

#include <openssl/evp.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "convert/converterror.h"

namespace kvo {
namespace {

std::string BaseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

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
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += kDigits[digest[i] >> 4];
        hex += kDigits[digest[i] & 0x0F];
    }
    return hex;
}

std::string ChecksumPathFor(const std::string& path) {
    return path + ".sha256";
}

std::string ChecksumLine(const std::string& hex, const std::string& path) {
    return hex + "  " + BaseName(path) + "\n";
}

std::optional<std::string> ReadChecksumFor(const std::string& path) {
    const std::string checksumPath = ChecksumPathFor(path);
    std::ifstream file(checksumPath);
    if (!file) {
        return std::nullopt;
    }
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        std::string hex;
        std::string name;
        fields >> hex >> name;
        if (!name.empty() && name.front() == '*') {
            name.erase(0, 1);  // binary mode mark
        }
        if (hex.size() == 64 && name == BaseName(path)) {
            return hex;
        }
    }
    throw ConvertError(
        ConvertError::Kind::Damaged,
        "Файл контрольной суммы " + checksumPath + " не содержит строки для " + BaseName(path));
}

std::string Sha256Of(FileStream& stream) {
    Sha256 hash;
    std::vector<std::uint8_t> chunk(std::size_t{1} << 20);
    stream.seek(0);
    for (;;) {
        const std::size_t got = stream.read(chunk.data(), chunk.size());
        if (got == 0) {
            break;
        }
        hash.update(chunk.data(), got);
    }
    stream.seek(0);
    return hash.finishHex();
}

}  // namespace kvo
