// Checksum files: the text sha256sum writes and reads, the line that names an archive, and the
// check every restore makes against it.

#include "convert/checksum.h"

#include <gtest/gtest.h>

#include <vector>

#include "convert/checksumtext.h"
#include "convert/convertfile.h"
#include "testfiles.h"

namespace kvo {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

const std::string kHex = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
const std::string kUpper = "0123456789ABCDEF0123456789ABCDEF0123456789abcdef0123456789ABCDEF";

std::vector<ChecksumEntry> Entries(const std::string& text) {
    return ParseChecksumText(text);
}

TEST(ChecksumText, ReadsEveryLineSha256sumReads) {
    const std::vector<std::pair<std::string, ChecksumEntry>> lines = {
        {kHex + "  a.kvox", {kHex, "a.kvox"}},
        {kHex + " *a.kvox", {kHex, "a.kvox"}},
        {kUpper + "  a.kvox", {kHex, "a.kvox"}},
        {" \t" + kHex + "\t a.kvox\r", {kHex, "a.kvox"}},
        {kHex + "   lead and trail ", {kHex, " lead and trail "}},
        {kHex + " **star", {kHex, "*star"}},
        {"\\" + kHex + "  back\\\\slash\\nnew\\rcr", {kHex, "back\\slash\nnew\rcr"}},
        {kHex + "  back\\slash", {kHex, "back\\slash"}},  // unescaped: as it stands
        {kHex + " a", {kHex, "a"}},                       // the form without a type mark
        {"SHA256 (a (1).kvox) = " + kHex, {kHex, "a (1).kvox"}},
        {"\\SHA256(new\\nline) =" + kUpper, {kHex, "new\nline"}},
    };
    for (const auto& [line, entry] : lines) {
        EXPECT_EQ(Entries(line + "\n"), std::vector{entry}) << line;
    }
    // Appended, not "g" + substr: GCC 12's optimiser warns falsely of the latter.
    const std::string notHex = std::string("g").append(kHex, 1);
    for (const std::string& malformed : {
             kHex + "a.kvox",         // no blank after the digest
             kHex + " ",              // no name
             kHex.substr(1) + "  a",  // a digit short
             notHex + "  a",
             "\\" + kHex + "  a\\",    // a lone backslash at the end
             "\\" + kHex + "  a\\tb",  // an escape sha256sum never writes
             kHex + "  a" + std::string(1, '\0') + "b",
             "SHA256 () = " + kHex,      // no name
             "SHA256 (a.kvox) " + kHex,  // no "="
             "SHA256 a.kvox = " + kHex,
             "SHA256 (a.kvox) = " + kHex + "0",
             "MD5 (a.kvox) = " + kHex,
         }) {
        EXPECT_TRUE(Entries(malformed + "\n").empty()) << malformed;
    }
}

TEST(ChecksumText, LinesTogether) {
    // Comments and blank lines are passed over, malformed lines too, the last line needs no end.
    EXPECT_EQ(Entries("# sums\n\n\r\nnonsense\n" + kHex + "  a\n" + kHex + " *b"),
              (std::vector<ChecksumEntry>{{kHex, "a"}, {kHex, "b"}}));
    // The first line decides whether lines have a type mark: once they have none, a space or a
    // star after the digest's blank belongs to the name...
    EXPECT_EQ(Entries(kHex + " a\n" + kHex + "  b\n" + kHex + " *c\n"),
              (std::vector<ChecksumEntry>{{kHex, "a"}, {kHex, " b"}, {kHex, "*c"}}));
    // ...and once they have one, a line without it is malformed.
    EXPECT_EQ(Entries(kHex + "  a\n" + kHex + " b\n"), (std::vector<ChecksumEntry>{{kHex, "a"}}));
}

TEST(ChecksumText, EveryNameIsWrittenSoThatItReadsBack) {
    for (const std::string& name :
         {std::string("a.kvox"), std::string(" lead"), std::string("*star"),
          std::string("back\\slash"), std::string("new\nline"), std::string("cr\r"),
          std::string("\\n literally"), std::string("tab\there")}) {
        const std::string line = ChecksumLine(kHex, name);
        EXPECT_EQ(line.back(), '\n');
        EXPECT_EQ(line.find('\n'), line.size() - 1) << name;
        EXPECT_EQ(Entries(line), (std::vector<ChecksumEntry>{{kHex, name}})) << line;
    }
    EXPECT_EQ(ChecksumLine(kHex, "a.kvox"), kHex + "  a.kvox\n");
    EXPECT_EQ(ChecksumLine(kHex, "a\\b\nc"), "\\" + kHex + "  a\\\\b\\nc\n");
}

// An archive-like file in a clean folder and its stream.
struct Archive {
    fs::path path;
    FileStream stream;
};

Archive MakeArchive(const std::string& folderName) {
    const auto path = test::CleanFolder(folderName) / "a.kvox";
    WriteBytes(path, "bytes of an archive");
    return {path, FileStream::OpenRead(path.string())};
}

TEST(ChecksumFile, TheLineThatNamesTheArchiveGivesItsDigest) {
    auto [path, stream] = MakeArchive("checksum-naming");
    const auto sums = fs::path(path.string() + ".sha256");
    EXPECT_FALSE(ReadChecksumFor(stream));

    // Any name that leads to the archive from the checksum file's folder names it.
    for (const std::string& name : {std::string("a.kvox"), std::string("./a.kvox"), path.string(),
                                    "../" + path.parent_path().filename().string() + "/a.kvox"}) {
        WriteBytes(sums,
                   "# for a\n" + ChecksumLine(kHex, "other.kvox") + ChecksumLine(kUpper, name));
        EXPECT_EQ(ReadChecksumFor(stream), kHex) << name;
    }

    const auto refused = [&stream](const std::string& text, const std::string& why) {
        WriteBytes(fs::path(stream.path() + ".sha256"), text);
        try {
            ReadChecksumFor(stream);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const ConvertError& error) {
            EXPECT_EQ(error.kind(), ConvertError::Kind::Refused);
            EXPECT_NE(std::string(error.what()).find(why), std::string::npos) << error.what();
        }
    };
    std::string other = kHex;
    other[0] = 'f';
    refused(ChecksumLine(kHex, "b.kvox"), "не содержит строки для a.kvox");
    refused("", "не содержит строки для a.kvox");
    refused(ChecksumLine(kHex, "a.kvox") + ChecksumLine(other, "./a.kvox"), "две разные суммы");
    refused(std::string(kMaxChecksumFileSize + 1, '#'), "слишком велик");
    // Exactly as large as allowed is still read.
    const std::string line = ChecksumLine(kHex, "a.kvox");
    WriteBytes(sums, std::string(kMaxChecksumFileSize - line.size() - 1, '#') + "\n" + line);
    EXPECT_EQ(ReadChecksumFor(stream), kHex);
}

// A recording written by CompressFile, its archive with a checksum file, and the archive's size.
fs::path CompressedWithChecksum(const std::string& folderName, std::uint32_t records) {
    const auto folder = test::CleanFolder(folderName);
    WriteBytes(folder / "a.kvo", test::Passport(40) + test::Records(records, 7));
    auto source = FileStream::OpenRead((folder / "a.kvo").string());
    RunOptions options;
    options.checksum = true;
    CompressFile(source, 40, EqualBlocks(records * 6, 600), (folder / "a.kvox").string(), nullptr,
                 options);
    return folder / "a.kvox";
}

TEST(ChecksumFile, RestoreAndTestCheckTheArchiveAgainstIt) {
    for (const std::uint32_t records : {0u, 400u}) {
        const auto archive = CompressedWithChecksum("checksum-restore", records);
        const auto target = archive.parent_path() / "r.kvo";
        {
            auto stream = FileStream::OpenRead(archive.string());
            EXPECT_TRUE(TestFile(stream, 40, nullptr, 2).checksumMatched);
            EXPECT_TRUE(RestoreFile(stream, 40, target.string(), nullptr, 2).checksumMatched);
            EXPECT_EQ(ReadBytes(target), ReadBytes(archive.parent_path() / "a.kvo"));
            fs::remove(target);
        }
        // A changed passport byte is damage too: the whole file is hashed.
        std::string bytes = ReadBytes(archive);
        bytes[30] = static_cast<char>(bytes[30] ^ 0x40);
        WriteBytes(archive, bytes);
        auto stream = FileStream::OpenRead(archive.string());
        for (const bool test : {true, false}) {
            try {
                test ? TestFile(stream, 40, nullptr)
                     : RestoreFile(stream, 40, target.string(), nullptr);
                ADD_FAILURE() << "no mismatch found, records " << records;
            } catch (const ConvertError& error) {
                EXPECT_EQ(error.kind(), ConvertError::Kind::ChecksumMismatch) << error.what();
            }
        }
        EXPECT_FALSE(fs::exists(target));
        // Each run leaves the stream as it found it: unobserved.
        fs::remove(fs::path(archive.string() + ".sha256"));
        EXPECT_FALSE(TestFile(stream, 40, nullptr).checksumMatched);
    }
}

}  // namespace
}  // namespace kvo
