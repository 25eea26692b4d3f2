// kvox -r over a folder named twice, once inside another: a walk never runs in circles.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli/kvox.h"
#include "kvoxrun.h"
#include "platform/visibletext.h"
#include "synth/kvosynth.h"

namespace kvo::cli {
namespace {

namespace fs = std::filesystem;

TEST(KvoxWalk, AFolderNamedTwiceIsWalkedOnce) {
    const auto source = test::SyntheticRecording("kvox-walk-twice", synth::Kind::TipTiming, 600, 5);
    const fs::path top = source.parent_path();
    fs::create_directory(top / "sub");
    fs::copy_file(source, top / "sub" / "b.kvo");
    const test::KvoxRun run = test::Kvox({"-r", top.string(), (top / "sub").string()});
    EXPECT_EQ(run.status, kExitWarning) << run.err;
    const std::string warning =
        "kvox: " + VisibleText((top / "sub").string()) + ": предупреждение: эта папка уже пройдена";
    EXPECT_NE(run.err.find(warning), std::string::npos) << run.err;
    EXPECT_TRUE(fs::exists(top / "a.kvox"));
    EXPECT_TRUE(fs::exists(top / "sub" / "b.kvox"));
}

}  // namespace
}  // namespace kvo::cli
