#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "model/fileformat.h"
#include "model/head.h"
#include "synth/kvosynth.h"

namespace kvo::synth {
namespace {

constexpr Kind kAllKinds[] = {Kind::TipTiming, Kind::Random, Kind::Constant, Kind::Zeros,
                              Kind::Runs};

std::uint16_t wordAt(const T1DimByteArr& data, std::size_t offset) {
    return static_cast<std::uint16_t>(data[offset] | data[offset + 1] << 8);
}

// Lengths of the runs of equal values of one field, in record order.
std::vector<std::size_t> runLengths(const T1DimByteArr& data, std::size_t fieldOffset,
                                    bool isWord) {
    std::vector<std::size_t> runs;
    std::uint32_t previous = 0x10000;
    for (std::size_t at = fieldOffset; at < data.size(); at += kRecordSize) {
        const std::uint32_t value = isWord ? wordAt(data, at) : data[at];
        if (value == previous) {
            ++runs.back();
        } else {
            runs.push_back(1);
            previous = value;
        }
    }
    return runs;
}

TEST(Synth, KindNamesRoundTrip) {
    for (Kind kind : kAllKinds) {
        EXPECT_EQ(parseKind(kindName(kind)), kind);
    }
    EXPECT_FALSE(parseKind("TipTiming").has_value());
    EXPECT_FALSE(parseKind("").has_value());
}

TEST(Synth, SameSeedSameBytesWhateverTheChunking) {
    constexpr std::size_t kRecords = 5000;
    for (Kind kind : kAllKinds) {
        const T1DimByteArr whole = makeRecords(kind, kRecords, 42);
        EXPECT_EQ(whole, makeRecords(kind, kRecords, 42)) << kindName(kind);

        T1DimByteArr chunked(kRecords * kRecordSize);
        RecordGenerator generator(kind, 42);
        std::size_t done = 0;
        for (std::size_t step = 0; done < kRecords; ++step) {
            const std::size_t n = std::min(kRecords - done, step % 7 * 113);
            generator.next(chunked.data() + done * kRecordSize, n);
            done += n;
        }
        EXPECT_EQ(whole, chunked) << kindName(kind);
        if (kind != Kind::Constant) {
            EXPECT_NE(whole, makeRecords(kind, kRecords, 43)) << kindName(kind);
        }
        for (std::size_t at = kLeadByteOffset; at < whole.size(); at += kRecordSize) {
            ASSERT_LT(whole[at], 128) << kindName(kind) << " record " << at / kRecordSize;
        }
    }
}

TEST(Synth, PassportDecodesFieldByField) {
    for (std::uint64_t seed : {1u, 2u, 99u}) {
        const T1DimByteArr passport = makePassport(seed);
        THeadel head(static_cast<std::uint32_t>(passport.size()));
        std::copy(passport.begin(), passport.end(), static_cast<std::uint8_t*>(head.fHead));
        std::string signature(6, ' ');
        for (char& c : signature)
            head.PeekChar(c);
        std::uint32_t length = 0;
        std::uint16_t board = 0, count = 0, rate = 0;
        head.PeekLongWord(length);
        head.PeekWord(board);
        head.PeekWord(count);
        EXPECT_EQ(signature, "RecKvo");
        EXPECT_EQ(length, passport.size());
        EXPECT_GE(channelEntryCount(count), 2u);
        std::size_t decoded = kDecodedBytesWithoutEntries;
        for (unsigned i = 0; i < channelEntryCount(count); ++i) {
            std::uint16_t number = 0, type = 0;
            std::uint8_t gain = 0;
            std::string mark;
            head.PeekWord(number);
            head.PeekByte(gain);
            head.PeekString(mark);
            head.PeekWord(type);
            EXPECT_LT(type, 9);
            decoded += kEntryFixedBytes + mark.size();
        }
        double start = 0;
        const std::size_t entryBytes = decoded - kDecodedBytesWithoutEntries;
        EXPECT_EQ(head.PeekDouble(start), static_cast<std::int32_t>(analogRateOffset(entryBytes)));
        double stored = 0;
        std::memcpy(&stored, &passport[startTimeOffset(entryBytes)], sizeof stored);
        EXPECT_EQ(stored, start);
        EXPECT_EQ(head.PeekWord(rate), static_cast<std::int32_t>(decoded));
        EXPECT_GT(start, 36526.0);  // after 2000-01-01
        EXPECT_GT(rate, 0);
        EXPECT_LT(head.Cur, length) << "spare bytes follow the decoded fields";

        const T1DimByteArr recording = makeRecording(Kind::Random, 10, seed);
        EXPECT_TRUE(std::equal(passport.begin(), passport.end(), recording.begin()));
        EXPECT_EQ(recording.size(), passport.size() + 60);
    }
}

TEST(Synth, KindsHaveTheirShape) {
    const T1DimByteArr tips = makeRecords(Kind::TipTiming, 20000, 5);
    std::set<std::uint8_t> leads;
    for (std::size_t at = 0; at < tips.size(); at += kRecordSize)
        leads.insert(tips[at]);
    EXPECT_GE(leads.size(), 4u);
    EXPECT_LE(leads.size(), 7u);
    const auto revolutions = runLengths(tips, kSecondWordOffset, true);
    EXPECT_GT(revolutions.size(), 100u);
    EXPECT_GT(runLengths(tips, kSecondByteOffset, false).front() +
                  runLengths(tips, kSecondByteOffset, false)[1],
              50u);

    const T1DimByteArr constant = makeRecords(Kind::Constant, 100, 5);
    EXPECT_TRUE(std::equal(constant.begin() + kRecordSize, constant.end(), constant.begin()));

    const T1DimByteArr zeros = makeRecords(Kind::Zeros, 1000, 5);
    for (std::size_t at = 0; at < zeros.size(); at += kRecordSize)
        ASSERT_EQ(zeros[at], 0);

    const T1DimByteArr runs = makeRecords(Kind::Runs, 400000, 5);
    const auto byteRuns = runLengths(runs, kSecondByteOffset, false);
    const auto wordRuns = runLengths(runs, kSecondWordOffset, true);
    EXPECT_GT(*std::max_element(byteRuns.begin(), byteRuns.end()), 65535u);
    EXPECT_GT(*std::max_element(wordRuns.begin(), wordRuns.end()), 65535u);
    EXPECT_TRUE(std::any_of(byteRuns.begin(), byteRuns.end(),
                            [](std::size_t n) { return n > 255 && n < 2000; }));
}

TEST(Synth, WrittenFileEqualsTheArrayAndFailureLeavesNothing) {
    const char* root = std::getenv("KVO_TEST_TMP");
    std::filesystem::path dir = root != nullptr ? root : std::filesystem::temp_directory_path();
    dir /= "synth";
    std::filesystem::create_directories(dir);
    const auto path = dir / "runs.kvo";
    constexpr std::uint64_t kRecords = 200000;  // several write chunks
    writeRecording(path.string(), Kind::Runs, kRecords, 11);
    std::ifstream in(path, std::ios::binary);
    const T1DimByteArr written{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
    EXPECT_EQ(written, makeRecording(Kind::Runs, kRecords, 11));

    const auto missing = dir / "no-such-dir" / "x.kvo";
    EXPECT_THROW(writeRecording(missing.string(), Kind::Random, 10, 1), std::runtime_error);
    EXPECT_FALSE(std::filesystem::exists(missing.parent_path()));
}

}  // namespace
}  // namespace kvo::synth
