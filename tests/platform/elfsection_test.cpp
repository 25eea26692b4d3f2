// Finding a section in an ELF file, where the Linux build keeps the version resource.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/elfsection.h"

namespace kvo {
namespace {

TEST(ElfSection, ForeignAndDamagedFilesGiveNothing) {
    const char* root = std::getenv("KVO_TEST_TMP");
    const std::filesystem::path dir = std::filesystem::path(root ? root : "/tmp") / "elf";
    std::filesystem::create_directories(dir);
    const auto text = dir / "text.bin";
    std::ofstream(text) << "not an executable at all, but long enough to hold a header......";
    EXPECT_FALSE(readElfSection(text, ".kvo_version"));
    EXPECT_FALSE(readElfSection(dir / "missing", ".kvo_version"));

    // This test program itself is an ELF file; cut it short at its section table.
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_TRUE(readElfSection(self, ".text"));
    EXPECT_FALSE(readElfSection(self, ".no_such_section"));
    const auto cut = dir / "cut.bin";
    std::filesystem::copy_file(self, cut, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(cut, std::filesystem::file_size(self) / 2);
    EXPECT_FALSE(readElfSection(cut, ".text"));
}

}  // namespace
}  // namespace kvo
