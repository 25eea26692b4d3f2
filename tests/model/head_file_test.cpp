#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "model/fileformat.h"
#include "model/head.h"

namespace kvo {
namespace {

std::filesystem::path tempFile(const std::string& name) {
    const char* root = std::getenv("KVO_TEST_TMP");
    std::filesystem::path dir = root != nullptr ? root : std::filesystem::temp_directory_path();
    dir /= "model";
    std::filesystem::create_directories(dir);
    return dir / name;
}

std::vector<std::uint8_t> fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Descriptors carry bytes unchanged: Windows opens them in text mode unless told otherwise.
#ifndef O_BINARY
constexpr int O_BINARY = 0;
#endif

// Opens with the descriptor API the cursor reads and writes through; closes however the test ends.
struct Fd {
    Fd(const std::filesystem::path& path, int flags)
        : fd(::open(path.string().c_str(), flags | O_BINARY, 0644)) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { ::close(fd); }
    int fd;
};

TEST(HeadFile, WritesExactlyThePassportAndReadsItBack) {
    const auto path = tempFile("default.kvo");
    {
        THeadel h = THeadel::CreateDefault();
        h.Cur = 3;
        Fd out(path, O_WRONLY | O_CREAT | O_TRUNC);
        ASSERT_GE(out.fd, 0);
        h.HWriteFile(out.fd);
        EXPECT_EQ(h.Cur, 3u);
        EXPECT_TRUE(h.CanDestroy());
    }
    EXPECT_EQ(fileBytes(path),
              std::vector<std::uint8_t>(kDefaultPassport.begin(), kDefaultPassport.end()));

    THeadel in(24);
    in.Cur = 5;
    Fd fd(path, O_RDONLY);
    ASSERT_GE(fd.fd, 0);
    in.ReadFile(fd.fd);
    EXPECT_EQ(in.Cur, 5u);
    const auto* bytes = static_cast<const std::uint8_t*>(in.fHead);
    EXPECT_TRUE(std::equal(kDefaultPassport.begin(), kDefaultPassport.end(), bytes));
}

TEST(HeadFile, ShortAndEmptyTransfersKeepTheRest) {
    const auto path = tempFile("short.kvo");
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << "abc";
    }
    THeadel h(6);
    for (char c : std::string("uvwxyz"))
        h.PokeChar(c);
    Fd fd(path, O_RDONLY);
    ASSERT_GE(fd.fd, 0);
    h.ReadFile(fd.fd);
    EXPECT_EQ(std::string(static_cast<const char*>(h.fHead), 6), "abcxyz");

    THeadel empty(0);
    empty.PokeByte(9);
    empty.ReadFile(fd.fd);
    EXPECT_EQ(static_cast<const std::uint8_t*>(empty.fHead)[0], 9);
    {
        Fd out(path, O_WRONLY | O_TRUNC);
        empty.HWriteFile(out.fd);
    }
    EXPECT_TRUE(fileBytes(path).empty());

    h.fSize = 1000;  // a caller's oversized request is still held to the buffer
    Fd again(path, O_RDONLY);
    h.ReadFile(again.fd);
    EXPECT_TRUE(h.CanDestroy());
}

}  // namespace
}  // namespace kvo
