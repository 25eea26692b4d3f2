// Inspecting recording and compressed files: passport lines, summary, block sizes, refusals.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "convert/converterror.h"
#include "convert/inspect.h"

namespace kvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Builds passports field by field, as a recording system would write them.
struct PassportBuilder {
    Bytes bytes;

    PassportBuilder& chars(std::string_view text) {
        bytes.insert(bytes.end(), text.begin(), text.end());
        return *this;
    }
    PassportBuilder& u8(std::uint8_t v) {
        bytes.push_back(v);
        return *this;
    }
    PassportBuilder& u16(std::uint16_t v) { return u8(v & 0xFF).u8(v >> 8); }
    PassportBuilder& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    PassportBuilder& f64(double v) {
        std::uint8_t raw[8];
        std::memcpy(raw, &v, 8);
        bytes.insert(bytes.end(), raw, raw + 8);
        return *this;
    }
    PassportBuilder& channel(std::uint16_t number, std::uint8_t gain, std::string_view mark,
                             std::uint16_t type) {
        u16(number).u8(gain).u8(static_cast<std::uint8_t>(mark.size())).chars(mark);
        return u16(type);
    }
    // Fixes the length field to the bytes so far, or to `length`.
    Bytes done(std::uint32_t length = 0) {
        Bytes result = bytes;
        if (result.size() < 10) {
            throw std::logic_error("a passport starts with its signature and length field");
        }
        const std::uint32_t value =
            length != 0 ? length : static_cast<std::uint32_t>(result.size());
        for (std::size_t i = 0; i < 4; ++i) {
            result[6 + i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
        return result;
    }
};

Bytes plainPassport(double startTime = 100.0) {
    return PassportBuilder().chars("RecKvo").u32(0).u16(666).u16(0).f64(startTime).u16(0).done();
}

std::string tempPath(const std::string& name) {
    const char* root = std::getenv("KVO_TEST_TMP");
    const std::filesystem::path dir = std::filesystem::path(root ? root : "/tmp") / "inspect";
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

std::string writeFile(const std::string& name, const Bytes& passport, std::size_t dataBytes) {
    const std::string path = tempPath(name);
    Bytes all = passport;
    all.resize(passport.size() + dataBytes, 0x11);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(all.data()), static_cast<std::streamsize>(all.size()));
    return path;
}

std::string isoFormat(const CivilDateTime& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

FileInspection inspect(const std::string& path, FileKind kind) {
    FileStream source = FileStream::OpenRead(path);
    FileInspection result = inspectFile(source, kind, isoFormat);
    EXPECT_EQ(source.position(), 0u);
    return result;
}

TEST(PassportLines, ChannelEntriesGainCodesNamesAndTypes) {
    // ChannelCount 259: only the low byte (3) counts. "Отм" in Windows-1251.
    const Bytes passport = PassportBuilder()
                               .chars("\xCA\xE2\xEE-01")
                               .u32(0)
                               .u16(17)
                               .u16(259)
                               .channel(1, 45, "\xCE\xF2\xEC", 0)
                               .channel(2, 0x2B, "", 8)
                               .channel(300, 0xFF, "x", 9)
                               .f64(-1.25)
                               .u16(5000)
                               .u32(0xDEADBEEF)  // bytes behind the fields are not shown
                               .done();
    const auto result = inspect(writeFile("channels.kvo", passport, 12), FileKind::Recording);
    const std::vector<std::string> expected = {
        "Кво-01",
        "Длина паспорта = " + std::to_string(passport.size()),
        "Плата = М17",
        "Число каналов = 3",
        "Канал 1  Ку/Кд =  5/5  Имя отм. Отм  Тип Корневой",
        "Канал 2  Ку/Кд =  3/5  Имя отм.   Тип IRIG-B",
        "Канал 300  Ку/Кд =  7/31  Имя отм. x  Тип 9",
        "Датирование = 1899-12-29 06:00:00",
        "част.дискр.аналог.кан. = 5000",
    };
    EXPECT_EQ(result.passportLines, expected);
}

TEST(PassportLines, FieldsBeyondThePassportLengthAreNotShown) {
    // The length field claims 20 bytes: StartTime and AnalogRate lie behind it.
    const auto shortened = inspect(
        writeFile("short.kvo", PassportBuilder{plainPassport()}.done(20), 6), FileKind::Recording);
    ASSERT_EQ(shortened.passportLines.size(), 5u);
    EXPECT_EQ(shortened.passportLines[3], "Число каналов = 0");
    EXPECT_EQ(shortened.passportLines[4], passportCutShortLine(20));
    // A channel entry whose MarkName runs past the end stops the lines before it.
    const Bytes entry =
        PassportBuilder().chars("RecKvo").u32(0).u16(1).u16(1).u16(7).u8(3).u8(200).done();
    const auto named = inspect(writeFile("entry.kvo", entry, 0), FileKind::Recording);
    ASSERT_EQ(named.passportLines.size(), 5u);
    EXPECT_EQ(named.passportLines[4],
              passportCutShortLine(static_cast<std::uint32_t>(entry.size())));
}

TEST(PassportLines, HugePassportLengthsReadOnlyTheFields) {
    // Close to 2 GiB: a buffer of the whole passport would not even fit a header cursor.
    constexpr std::uint32_t kLength = 0x7FFFFFE0;
    const std::string path = writeFile("hugepassport.kvo", plainPassport(), 0);
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(6);
        file.write("\xE0\xFF\xFF\x7F", 4);
    }
    std::filesystem::resize_file(path, std::uint64_t{kLength} + 10);  // sparse
    for (const FileKind kind : {FileKind::Recording, FileKind::Compressed}) {
        const auto result = inspect(path, kind);
        ASSERT_EQ(result.passportLines.size(), 6u);
        EXPECT_EQ(result.passportLines[1], "Длина паспорта = " + std::to_string(kLength));
        EXPECT_EQ(result.passportLines[5], "част.дискр.аналог.кан. = 0");
        EXPECT_EQ(result.dataSize, 10);
    }
    std::filesystem::remove(path);

    // The longest fields a passport can have: 255 channels named with 255 characters each.
    PassportBuilder widest;
    widest.chars("RecKvo").u32(0).u16(1).u16(255);
    for (int i = 0; i < 255; ++i) {
        widest.channel(static_cast<std::uint16_t>(i), 0, std::string(255, 'z'), 1);
    }
    widest.f64(100.0).u16(7);
    ASSERT_EQ(widest.bytes.size(), kMaxDecodedPassportBytes);
    for (const std::uint32_t extra : {0u, 1u, 5000u}) {
        const Bytes passport = PassportBuilder{widest}.done(kMaxDecodedPassportBytes + extra);
        Bytes file = passport;
        file.resize(kMaxDecodedPassportBytes + extra, 0x01);
        const auto result = inspect(writeFile("widest.kvo", file, 0), FileKind::Recording);
        ASSERT_EQ(result.passportLines.size(), 4u + 255u + 2u);
        EXPECT_EQ(result.passportLines.back(), "част.дискр.аналог.кан. = 7");
    }
}

TEST(PassportLines, DatesOutsideTheCalendarShowAsInvalid) {
    for (const double bad : {std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(), 1e300, -1e7}) {
        const auto result =
            inspect(writeFile("date.kvo", plainPassport(bad), 0), FileKind::Recording);
        EXPECT_EQ(result.passportLines[4].rfind("Датирование = недопустимое значение ", 0), 0u)
            << result.passportLines[4];
    }
    const auto epoch = inspect(writeFile("epoch.kvo", plainPassport(0.0), 0), FileKind::Recording);
    EXPECT_EQ(epoch.passportLines[4], "Датирование = 1899-12-30 00:00:00");
}

TEST(BlockSizes, DivisorsOfTheRecordCountLargestFirst) {
    const std::vector<std::uint64_t> thousand = {6000, 3000, 1500, 1200, 750, 600,
                                                 300,  240,  150,  120,  60};
    EXPECT_EQ(blockSizeList(6000), thousand);
    EXPECT_EQ(blockSizeList(6005), thousand);
    EXPECT_EQ(blockSizeList(72), (std::vector<std::uint64_t>{72, 36, 24, 18, 12, 6}));
    EXPECT_EQ(blockSizeList(101 * 6), (std::vector<std::uint64_t>{606}));
    EXPECT_EQ(blockSizeList(5), std::vector<std::uint64_t>(100, 0));
    EXPECT_EQ(blockSizeList(0), std::vector<std::uint64_t>(100, 0));
}

TEST(FileKinds, ExtensionDecidesInAnyLetterCase) {
    EXPECT_EQ(fileKindOf("/d/a.kvo"), FileKind::Recording);
    EXPECT_EQ(fileKindOf("/d/a.b.kvox"), FileKind::Compressed);
    // Recordings copied from Windows machines often carry upper-case names.
    EXPECT_EQ(fileKindOf("/d/DATA.KVO"), FileKind::Recording);
    EXPECT_EQ(fileKindOf("/d/up.KvOx"), FileKind::Compressed);
    EXPECT_EQ(fileKindOf("/d/a.kvo.bak"), std::nullopt);
    EXPECT_EQ(fileKindOf("/d/a.kvoxx"), std::nullopt);
    EXPECT_EQ(fileKindOf("/d/a.kv"), std::nullopt);
    EXPECT_EQ(fileKindOf("/d.kvo/noext"), std::nullopt);
}

TEST(FileKinds, TheCounterpartKeepsTheLettersOfTheExtension) {
    EXPECT_EQ(counterpartPath("/d/a.b.kvo", FileKind::Recording), "/d/a.b.kvox");
    EXPECT_EQ(counterpartPath("/d.x/a.kvox", FileKind::Compressed), "/d.x/a.kvo");
    EXPECT_EQ(counterpartPath("/d/UP.KVO", FileKind::Recording), "/d/UP.KVOX");
    EXPECT_EQ(counterpartPath("/d/UP.KVOX", FileKind::Compressed), "/d/UP.KVO");
    // The added x takes the case of the o before it, so a round trip gives the name back.
    EXPECT_EQ(counterpartPath("/d/up.KvO", FileKind::Recording), "/d/up.KvOX");
    EXPECT_EQ(counterpartPath("/d/up.KvOX", FileKind::Compressed), "/d/up.KvO");
    EXPECT_EQ(counterpartPath("/d/up.kVo", FileKind::Recording), "/d/up.kVox");
    EXPECT_EQ(counterpartPath("/d/up.kVoX", FileKind::Compressed), "/d/up.kVo");
    // A name without the extension of its kind keeps it and gains the other one.
    EXPECT_EQ(counterpartPath("/d/a.bin", FileKind::Recording), "/d/a.bin.kvox");
    EXPECT_EQ(counterpartPath("/d/a.kvo", FileKind::Compressed), "/d/a.kvo.kvo");
    EXPECT_EQ(counterpartPath("/d.kvox/noext", FileKind::Compressed), "/d.kvox/noext.kvo");
}

TEST(Summary, RecordingFileEstimatesFortyPercent) {
    const Bytes passport = plainPassport();
    const std::string path = writeFile("est.kvo", passport, 999 - passport.size());
    const auto result = inspect(path, FileKind::Recording);
    const std::vector<std::string> expected = {
        "Исходный файл:",        "Путь " + path,
        "Размер = 999",          "",
        "Сжатый файл:",          "Путь " + counterpartPath(path, FileKind::Recording),
        "Размер = примерно 200",
    };
    EXPECT_EQ(result.summaryLines, expected);
    EXPECT_EQ(result.dataSize, 999 - 24);
    EXPECT_EQ(
        inspect(writeFile("small.kvo", passport, 499 - 24), FileKind::Recording).summaryLines[6],
        "Размер = примерно 0");
}

TEST(Summary, CompressedFileShowsTheFirstBlockSize) {
    for (const std::uint32_t word : {2000u, 2001u}) {
        const Bytes file = PassportBuilder{plainPassport()}.u32(word).done(24);
        const std::string path = writeFile("blocks.kvox", file, 8);
        const auto result = inspect(path, FileKind::Compressed);
        EXPECT_EQ(result.blockSize, 6000u);
        EXPECT_EQ(result.blockSizes, std::vector<std::uint64_t>{6000});
        EXPECT_EQ(result.summaryLines.back(), "Размер = 24 + 6000 x N");
        EXPECT_EQ(result.summaryLines[5], "Путь " + counterpartPath(path, FileKind::Compressed));
    }
    const auto empty = inspect(writeFile("empty.kvox", plainPassport(), 0), FileKind::Compressed);
    EXPECT_EQ(empty.blockSize, 0u);

    // The product wraps as the format's unsigned 32-bit block size does.
    const Bytes huge = PassportBuilder{plainPassport()}.u32(0xFFFFFFFFu).done(24);
    const auto wrapped = inspect(writeFile("huge.kvox", huge, 8), FileKind::Compressed);
    EXPECT_EQ(wrapped.blockSize, 4294967290u);
    EXPECT_EQ(wrapped.summaryLines.back(), "Размер = 24 + 4294967290 x N");
}

TEST(Refusals, ShortFilesLongPassportsAndHugeFiles) {
    const auto refused = [](const std::string& path) {
        FileStream source = FileStream::OpenRead(path);
        EXPECT_THROW(inspectFile(source, FileKind::Recording, isoFormat), ConvertError) << path;
    };
    refused(writeFile("tiny.kvo", Bytes{'R', 'e', 'c'}, 0));
    refused(writeFile("long.kvo", PassportBuilder{plainPassport()}.done(0x7FFFFFF0), 10));
    const std::string huge = writeFile("huge.kvo", plainPassport(), 0);
    std::filesystem::resize_file(huge, kMaxInspectedFileSize);  // sparse
    refused(huge);
    std::filesystem::remove(huge);
}

}  // namespace
}  // namespace kvo
