// kvox asked to stop by a signal, as a separate process: whatever step it is in (waiting for
// standard input, several threads at work) it stops soon, says so, and leaves nothing behind.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "cli/kvox.h"
#include "kvoxchild.h"
#include "kvoxrun.h"
#include "synth/kvosynth.h"
#include "testfiles.h"

namespace kvo::cli {
namespace {

namespace fs = std::filesystem;
using std::chrono::seconds;

// Generous: sanitizer builds start slowly; a run that ignores the request never ends at all.
constexpr seconds kPatience{30};

TEST(KvoxSignals, AStalledStandardInputGivesWayToTheFirstRequest) {
    const fs::path folder = test::CleanFolder("kvox-signals-stdin");
    const fs::path spool = folder / "spool";
    fs::create_directory(spool);
    const fs::path errFile = test::CleanFolder("kvox-signals-stdin-err") / "err";
    for (const int signal : {SIGTERM, SIGINT}) {
        test::KvoxChild kvox({"-z", "-o", (folder / "out.kvox").string()}, errFile,
                             {.unprivileged = false,
                              .silentInput = true,
                              .silentOutput = false,
                              .temporaryFolder = spool});
        ASSERT_TRUE(kvox.waitUntilHandled(signal, kPatience));
        kvox.signal(signal);
        EXPECT_EQ(kvox.exitStatus(kPatience), kExitError) << signal;
        const std::string err = test::ReadBytes(errFile);
        EXPECT_NE(err.find("прервано"), std::string::npos) << err;
        EXPECT_EQ(test::EntriesIn(folder), 1u);  // the spool folder alone
        EXPECT_EQ(test::EntriesIn(spool), 0u);
    }
}

TEST(KvoxSignals, AStalledStandardOutputGivesWayToTheFirstRequest) {
    const auto source =
        test::SyntheticRecording("kvox-signals-stdout", synth::Kind::TipTiming, 200'000, 4);
    const fs::path errFile = test::CleanFolder("kvox-signals-stdout-err") / "err";
    for (const int signal : {SIGTERM, SIGINT}) {
        test::KvoxChild kvox({"-c", "-b", "60000", source.string()}, errFile,
                             {.unprivileged = false,
                              .silentInput = false,
                              .silentOutput = true,
                              .temporaryFolder = {}});
        ASSERT_TRUE(kvox.waitUntilHandled(signal, kPatience));
        ASSERT_TRUE(kvox.waitUntilOutputStalls(kPatience));
        kvox.signal(signal);
        EXPECT_EQ(kvox.exitStatus(kPatience), kExitError) << signal;
        const std::string err = test::ReadBytes(errFile);
        EXPECT_NE(err.find("прервано"), std::string::npos) << err;
        EXPECT_EQ(test::EntriesIn(source.parent_path()), 1u);  // the source alone
    }
}

// Under ThreadSanitizer this is the check that the request reaches the worker threads without a
// data race.
TEST(KvoxSignals, AMultiThreadedRunStopsAndLeavesNothing) {
    const auto source =
        test::SyntheticRecording("kvox-signals-threads", synth::Kind::TipTiming, 4'000'000, 3);
    const fs::path errFile = test::CleanFolder("kvox-signals-threads-err") / "err";
    test::KvoxChild kvox({"-T", "4", "-b", "600000", source.string()}, errFile);
    // A few blocks in, every thread has asked whether to stop; the run is far from its end.
    ASSERT_TRUE(kvox.waitUntilHandled(SIGTERM, kPatience));
    ASSERT_TRUE(kvox.waitUntilRead(3 * 600000, kPatience));
    kvox.signal(SIGTERM);
    EXPECT_EQ(kvox.exitStatus(kPatience), kExitError) << test::ReadBytes(errFile);
    EXPECT_NE(test::ReadBytes(errFile).find("прервано"), std::string::npos);
    EXPECT_EQ(test::EntriesIn(source.parent_path()), 1u);  // the source alone
}

}  // namespace
}  // namespace kvo::cli
