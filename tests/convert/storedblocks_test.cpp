// Walking the blocks of a compressed file by their length words alone.

#include "convert/storedblocks.h"

#include <gtest/gtest.h>

#include <array>

#include "convert/converterror.h"
#include "platform/interruption.h"
#include "testfiles.h"

namespace kvo {
namespace {

// A block with these section lengths and zero payloads.
std::string Block(const std::array<std::uint32_t, 4>& lengths) {
    std::string block;
    for (const std::uint32_t length : lengths) {
        for (int i = 0; i < 4; ++i) {
            block += static_cast<char>(length >> (8 * i));
        }
        block.append(length, '\0');
    }
    return block;
}

// 12 records: the shape of the smallest block that restores.
const std::string kSound = Block({24, 2, 12, 4});

StoredBlocks Walk(const std::string& name, const std::string& blocks) {
    const auto path = test::CleanFolder("walk-" + name) / "a.kvox";
    test::WriteBytes(path, test::Passport(30) + blocks);
    auto source = FileStream::OpenRead(path.string());
    StoredBlocks walked = WalkStoredBlocks(source, 30);
    EXPECT_EQ(source.position(), 0u);
    return walked;
}

TEST(StoredBlocks, CountsSoundBlocks) {
    const StoredBlocks walked = Walk("sound", kSound + Block({40, 2, 20, 8}));
    EXPECT_EQ(walked.blocks, 2u);
    EXPECT_EQ(walked.records, 32u);
    EXPECT_EQ(walked.firstBlockRecords, 12u);
    EXPECT_FALSE(walked.damaged);
}

TEST(StoredBlocks, NamesTheFirstBlockThatCannotRestore) {
    const struct {
        std::array<std::uint32_t, 4> lengths;
        const char* reason;
    } cases[] = {
        {{22, 2, 12, 4}, "в нём 11 записей, а нужно не меньше 12"},
        {{0, 0, 0, 0}, "в нём 0 записей, а нужно не меньше 12"},
        {{25, 2, 12, 4}, "нечётная длина раздела первых слов (25 байт)"},
        {{24, 0, 12, 4}, "раздел вторых байтов пуст или не из целых пар (0 байт)"},
        {{24, 3, 12, 4}, "раздел вторых байтов пуст или не из целых пар (3 байта)"},
        {{24, 2, 11, 4}, "в разделе кодов 11 байт, а нужно не меньше 12"},
        {{24, 2, 12, 0}, "раздел вторых слов пуст или не из целых пар (0 байт)"},
        {{24, 2, 12, 6}, "раздел вторых слов пуст или не из целых пар (6 байт)"},
    };
    for (const auto& c : cases) {
        const StoredBlocks walked = Walk("shape", kSound + Block(c.lengths) + kSound);
        ASSERT_TRUE(walked.damaged) << c.reason;
        EXPECT_EQ(walked.damaged->index, 1u);
        EXPECT_FALSE(walked.damaged->cutShort);
        EXPECT_EQ(walked.damaged->reason, std::string("не восстанавливается: ") + c.reason);
        EXPECT_EQ(walked.blocks, 1u);
        EXPECT_EQ(walked.records, 12u);
    }
    std::string cut = kSound + kSound;
    cut.pop_back();
    const StoredBlocks walked = Walk("cut", cut);
    ASSERT_TRUE(walked.damaged);
    EXPECT_EQ(walked.damaged->index, 1u);
    EXPECT_TRUE(walked.damaged->cutShort);
    EXPECT_EQ(walked.damaged->reason, "обрывается в конце файла");
}

TEST(StoredBlocks, ZerosBehindTheBlocksAreDamageNotMillionsOfEmptyBlocks) {
    const StoredBlocks walked = Walk("zeros", kSound + std::string(16 << 20, '\0'));
    ASSERT_TRUE(walked.damaged);
    EXPECT_EQ(walked.damaged->index, 1u);
    EXPECT_EQ(walked.blocks, 1u);
}

TEST(StoredBlocks, AnInterruptionStopsTheWalk) {
    RequestInterruption();
    const auto path = test::CleanFolder("walk-stop") / "a.kvox";
    test::WriteBytes(path, test::Passport(30) + kSound + kSound);
    auto source = FileStream::OpenRead(path.string());
    EXPECT_THROW(WalkStoredBlocks(source, 30), ConvertError);
    ClearInterruption();
    EXPECT_EQ(WalkStoredBlocks(source, 30).blocks, 2u);
}

}  // namespace
}  // namespace kvo
