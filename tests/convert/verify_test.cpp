// A compression checks what it made before the file gets its name: every coded block decodes back
// to its records, and the written file walks block by block to its end.

#include <gtest/gtest.h>

#include <atomic>

#include "codec/kvoarchiver.h"
#include "convert/convertfile.h"
#include "convert/verify.h"
#include "testfiles.h"

namespace kvo {
namespace {

namespace fs = std::filesystem;

T1DimByteArr RecordsOf(const std::string& text) {
    return T1DimByteArr(text.begin(), text.end());
}

TEST(Verify, ABlockThatDecodesToOtherRecordsIsCaught) {
    const T1DimByteArr records = RecordsOf(test::Records(100, 3));
    T1DimByteArr coded;
    ASSERT_GT(CompressRecords(records.data(), 100, coded), 0);
    T1DimByteArr scratch;
    const OriginalRecords original = [&](std::size_t offset, std::size_t) {
        return records.data() + offset;
    };
    EXPECT_TRUE(DecodesBackTo(original, records.size(), coded, scratch));

    T1DimByteArr altered = coded;
    altered[4] ^= 1;  // a FirstWord: still a consistent block, but of other records
    EXPECT_FALSE(DecodesBackTo(original, records.size(), altered, scratch));
    T1DimByteArr broken = coded;
    broken[0] ^= 2;  // the record count
    EXPECT_FALSE(DecodesBackTo(original, records.size(), broken, scratch));
    EXPECT_FALSE(DecodesBackTo(original, records.size() - 6, coded, scratch));
}

// Flips a bit in the first length word of the second block as it goes to the disk.
std::atomic<int> gWrites{0};
WriteOutcome CorruptingWrite(NativeHandle handle, std::uint64_t offset, const void* data,
                             std::size_t count) {
    if (gWrites.fetch_add(1) != 2) {
        return SystemWrite(handle, offset, data, count);
    }
    std::string copy(static_cast<const char*>(data), count);
    copy[1] = static_cast<char>(copy[1] ^ 0x40);
    return SystemWrite(handle, offset, copy.data(), count);
}

TEST(Verify, AFileDamagedOnItsWayToTheDiskIsNeverNamed) {
    const auto folder = test::CleanFolder("verify-written");
    test::WriteBytes(folder / "a.kvo", test::Passport(24) + test::Records(300, 4));
    const auto compress = [&](bool verify) {
        auto source = FileStream::OpenRead((folder / "a.kvo").string());
        RunOptions options;
        options.verify = verify;
        gWrites = 0;  // the passport is the first write, then one write per block
        SetWriteFunction(&CorruptingWrite);
        try {
            CompressFile(source, 24, EqualBlocks(1800, 600), (folder / "a.kvox").string(), nullptr,
                         options);
        } catch (...) {
            SetWriteFunction(nullptr);
            throw;
        }
        SetWriteFunction(nullptr);
    };
    try {
        compress(true);
        ADD_FAILURE() << "a damaged file was written";
    } catch (const ConvertError& error) {
        EXPECT_EQ(error.kind(), ConvertError::Kind::Verification);
        EXPECT_NE(std::string(error.what()).find("файл не записан"), std::string::npos);
    }
    EXPECT_EQ(test::EntriesIn(folder), 1u);
    // Unchecked, the same fault goes unnoticed: this is what the check is for.
    compress(false);
    EXPECT_TRUE(fs::exists(folder / "a.kvox"));
}

}  // namespace
}  // namespace kvo
