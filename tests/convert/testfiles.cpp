#include "testfiles.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "model/fileformat.h"

namespace kvo::test {

namespace fs = std::filesystem;

fs::path CleanFolder(const std::string& name) {
    const char* root = std::getenv("KVO_TEST_TMP");
    fs::path folder = fs::path(root != nullptr ? root : fs::temp_directory_path().string()) / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::size_t EntriesIn(const fs::path& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

std::string Passport(std::uint32_t passportLength) {
    std::string passport(kDefaultPassport.begin(), kDefaultPassport.end());
    for (std::size_t i = 0; i < 4; ++i) {
        passport[kPassportLengthOffset + i] = static_cast<char>(passportLength >> (8 * i));
    }
    for (std::uint32_t i = static_cast<std::uint32_t>(passport.size()); i < passportLength; ++i) {
        passport.push_back(static_cast<char>(i * 7 + 3));
    }
    return passport;
}

std::string Records(std::uint64_t records, std::uint32_t seed) {
    std::uint32_t state = seed * 2654435761u + 1;
    const auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    std::string data;
    data.reserve(records * kRecordSize);
    std::uint32_t second = 0;
    std::uint32_t word = 0;
    for (std::uint64_t i = 0; i < records; ++i) {
        if (next() % 9 == 0) {
            second = next();
        }
        if (next() % 5 == 0) {
            word = next();
        }
        const std::uint32_t first = next();
        data.push_back(static_cast<char>((i % 17) * 3 + (i / 170) % 2));  // 0..49
        data.push_back(static_cast<char>(second));
        data.push_back(static_cast<char>(first));
        data.push_back(static_cast<char>(first >> 8));
        data.push_back(static_cast<char>(word));
        data.push_back(static_cast<char>(word >> 8));
    }
    return data;
}

}  // namespace kvo::test
