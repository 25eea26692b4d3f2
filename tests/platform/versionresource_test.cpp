// Version resources in the Windows layout: building, querying and surviving damaged bytes.

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>

#include "platform/versionresource.h"
#include "platform/versionstrings.h"

namespace kvo {
namespace {

VersionResourceContent fullContent() {
    VersionResourceContent c;
    c.fileVersionMS = (2u << 16) | 3u;
    c.fileVersionLS = (4u << 16) | 5u;
    c.productVersionMS = 1u << 16;
    c.translations = {{0x0419, 0x04E3}, {0x0409, 0x04B0}};
    c.stringTableKey = "041904E3";
    c.strings = {{"CompanyName", "Лаборатория"}, {"ProductName", "KVOCodec"}, {"PrivateBuild", ""}};
    return c;
}

std::uint32_t dword(std::span<const std::uint8_t> v, std::size_t at) {
    return v[at] | (v[at + 1] << 8) | (v[at + 2] << 16) |
           (static_cast<std::uint32_t>(v[at + 3]) << 24);
}

TEST(VersionResource, QueriesFindWhatWasBuilt) {
    const auto block = buildVersionResource(fullContent());
    ASSERT_EQ(block.size() % 4, 0u);
    std::span<const std::uint8_t> value;
    std::uint32_t length = 0;

    ASSERT_TRUE(verQueryValue(block, "\\", value, length));
    EXPECT_EQ(length, 52u);
    EXPECT_EQ(dword(value, 0), 0xFEEF04BDu);
    EXPECT_EQ(dword(value, 8), 0x00020003u);
    EXPECT_EQ(dword(value, 12), 0x00040005u);

    ASSERT_TRUE(verQueryValue(block, "\\VarFileInfo\\Translation", value, length));
    EXPECT_EQ(length, 8u);
    EXPECT_EQ(dword(value, 0), 0x04E30419u);  // language, then code page

    ASSERT_TRUE(verQueryValue(block, "\\StringFileInfo\\041904E3\\CompanyName", value, length));
    EXPECT_EQ(utf16TextAt(value), u"Лаборатория");
    EXPECT_EQ(utf8TextAt(value), "Лаборатория");
    EXPECT_EQ(length, 12u);  // characters, terminator included
    ASSERT_TRUE(verQueryValue(block, "stringfileinfo\\041904e3\\PRODUCTNAME", value, length));
    EXPECT_EQ(utf16TextAt(value), u"KVOCodec");
    ASSERT_TRUE(verQueryValue(block, "StringFileInfo\\041904E3\\PrivateBuild", value, length));
    EXPECT_EQ(utf16TextAt(value), u"");

    EXPECT_FALSE(verQueryValue(block, "\\StringFileInfo\\041904E3\\Comments", value, length));
    EXPECT_FALSE(verQueryValue(block, "\\StringFileInfo\\040904E4\\CompanyName", value, length));
}

TEST(VersionResource, TextsComeAsUtf8WithLoneSurrogatesReplaced) {
    // "A", U+1F600 as a pair, a lone low and a lone high surrogate, "Ж", the terminator, "B".
    const std::vector<std::uint8_t> value = {0x41, 0,    0x3D, 0xD8, 0x00, 0xDE, 0x00, 0xDC,
                                             0x3D, 0xD8, 0x16, 0x04, 0,    0,    0x42, 0};
    EXPECT_EQ(utf8TextAt(value),
              "A\xF0\x9F\x98\x80\xEF\xBF\xBD\xEF\xBF\xBD"
              "Ж");
    EXPECT_EQ(utf8TextAt(std::span(value).first(3)), "A");  // cut inside a character
}

TEST(VersionResource, MissingBlocksAreNotFound) {
    VersionResourceContent bare;
    const auto block = buildVersionResource(bare);
    std::span<const std::uint8_t> value;
    std::uint32_t length = 0;
    EXPECT_TRUE(verQueryValue(block, "\\", value, length));
    EXPECT_FALSE(verQueryValue(block, "\\VarFileInfo\\Translation", value, length));
    EXPECT_FALSE(verQueryValue(block, "\\StringFileInfo", value, length));
}

TEST(VersionResource, DamagedBytesNeverReadOutside) {
    const auto block = buildVersionResource(fullContent());
    std::span<const std::uint8_t> value;
    std::uint32_t length = 0;
    for (std::size_t cut = 0; cut < block.size(); ++cut) {
        const std::vector<std::uint8_t> shortBlock(block.begin(), block.begin() + cut);
        for (const char* path :
             {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\041904E3\\CompanyName"}) {
            if (verQueryValue(shortBlock, path, value, length)) {
                EXPECT_GE(value.data(), shortBlock.data());
                EXPECT_LE(value.data() + value.size(), shortBlock.data() + shortBlock.size());
            }
        }
    }
    // Every length word rewritten to a large or small value.
    for (std::size_t at = 0; at + 1 < block.size(); at += 2) {
        for (const std::uint8_t fill : {0x00, 0xFF, 0x07}) {
            auto bent = block;
            bent[at] = fill;
            bent[at + 1] = fill;
            value = {};
            if (verQueryValue(bent, "\\StringFileInfo\\041904E3\\ProductName", value, length)) {
                EXPECT_LE(value.data() + value.size(), bent.data() + bent.size());
                utf16TextAt(value);
            }
        }
    }
}

TEST(VersionStrings, TheStringsFileGivesTheResourceContent) {
    std::istringstream strings(
        "# comment\n\nCompanyName=KVOCodec developers\nPrivateBuild=abc1234\n"
        "FileVersion=1.2.3.4\nProductVersion=5.6.7.8\nFileDescription=a=b\n");
    const VersionResourceContent content = versionContentFrom(strings);
    EXPECT_EQ(content.fileVersionMS, (1u << 16) | 2u);
    EXPECT_EQ(content.fileVersionLS, (3u << 16) | 4u);
    EXPECT_EQ(content.productVersionMS, (5u << 16) | 6u);
    EXPECT_EQ(content.productVersionLS, (7u << 16) | 8u);
    EXPECT_EQ(content.stringTableKey, "040904E4");
    EXPECT_EQ(content.strings.size(), 5u);
    EXPECT_EQ(content.strings[1], (std::pair<std::string, std::string>{"PrivateBuild", "abc1234"}));
    EXPECT_EQ(content.strings[4].second, "a=b");

    for (const char* bad : {"no equals sign\n", "FileVersion=1.2\n", "FileVersion=1.2.3.65536\n",
                            "ProductVersion=1.2.3.4x\n"}) {
        std::istringstream broken(bad);
        EXPECT_THROW(versionContentFrom(broken), std::runtime_error) << bad;
    }
}

}  // namespace
}  // namespace kvo
