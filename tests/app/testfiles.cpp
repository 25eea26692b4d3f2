#include "testfiles.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace kvo::test {

std::filesystem::path cleanFolder(const std::string& name) {
    const char* root = std::getenv("KVO_TEST_TMP");
    const auto folder = std::filesystem::path(root ? root : "/tmp") / "app" / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

void writeBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

Bytes readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes plainRecording(std::size_t dataBytes) {
    Bytes bytes = {'R',  'e',  'c', 'K', 'v', 'o',              // Signature
                   24,   0,    0,   0,                          // PassportLength
                   0x9A, 0x02,                                  // BoardNumber 666
                   0,    0,                                     // no channels
                   0,    0,    0,   0,   0,   0,   0x59, 0x40,  // StartTime 100.0
                   0,    0};
    for (std::size_t i = 0; i < dataBytes; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(i % 6 == 0 ? (i / 6) % 100 : 7));
    }
    return bytes;
}

}  // namespace kvo::test
