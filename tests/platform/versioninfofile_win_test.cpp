// The VERSIONINFO resource the Windows build links into kvox.exe, read as the about box reads a
// version resource.

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/buildrevision.h"
#include "platform/versioninfofile.h"
#include "platform/versionresource.h"
#include "platform/versionstrings.h"
#include "platform/widetext.h"

namespace kvo {
namespace {

TEST(WindowsVersionResource, KvoxCarriesTheBuildsVersionStrings) {
    const ExecutableVersionInfoFile file;
    const std::uint32_t size = file.fileVersionInfoSize(KVO_KVOX_PATH);
    ASSERT_GT(size, 0u);
    std::vector<std::uint8_t> block(size);
    ASSERT_TRUE(file.fileVersionInfo(KVO_KVOX_PATH, block));

    std::ifstream stringsFile(KVO_VERSION_STRINGS_PATH);
    const VersionResourceContent built = versionContentFrom(stringsFile);
    ASSERT_EQ(built.strings.size(), 6u);
    std::span<const std::uint8_t> value;
    std::uint32_t length = 0;
    for (const auto& [key, text] : built.strings) {
        ASSERT_TRUE(verQueryValue(block, "\\StringFileInfo\\040904E4\\" + key, value, length))
            << key;
        EXPECT_EQ(utf8TextAt(value), text) << key;
    }
    ASSERT_TRUE(verQueryValue(block, "\\StringFileInfo\\040904E4\\PrivateBuild", value, length));
    EXPECT_EQ(utf8TextAt(value), BuildRevision());  // what kvox --version prints
    ASSERT_TRUE(verQueryValue(block, "\\StringFileInfo\\040904E4\\FileDescription", value, length));
    EXPECT_EQ(utf16TextAt(value), u"Обработка KVO-файлов");

    ASSERT_TRUE(verQueryValue(block, "\\", value, length));
    ASSERT_GE(value.size(), 16u);
    EXPECT_EQ(value[8] | value[9] << 8 | value[10] << 16 | value[11] << 24,
              static_cast<int>(built.fileVersionMS));
    ASSERT_TRUE(verQueryValue(block, "\\VarFileInfo\\Translation", value, length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(value[0] | value[1] << 8, 0x0409);
    EXPECT_EQ(value[2] | value[3] << 8, 0x04E4);
}

TEST(WindowsVersionResource, AProgramWithoutOneHasNone) {
    wchar_t self[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    EXPECT_EQ(ExecutableVersionInfoFile().fileVersionInfoSize(Utf8OfWide(self)), 0u);
}

}  // namespace
}  // namespace kvo
