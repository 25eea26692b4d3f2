// kvox among other programs: pipes in and out, the source's permissions and time on the output,
// -k and -r as the other compressors take them.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <sstream>

#include "cli/kvox.h"
#include "kvoxrun.h"
#include "posixtools.h"
#include "synth/kvosynth.h"
#include "testfiles.h"

namespace kvo::cli {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

using test::Kvox;
using test::KvoxRun;

fs::path Recording(const std::string& name, std::uint64_t records) {
    return test::SyntheticRecording("kvox-pipes-" + name, synth::Kind::TipTiming, records, 9);
}

int Shell(const std::string& line) {
    return std::system(("set -e; " + line).c_str());
}

TEST(KvoxPipes, APipeRoundTripIsTheFileRoundTrip) {
    if (!test::HavePosixShell()) {
        GTEST_SKIP() << "the pipes are built by a POSIX shell";
    }
    const auto source = Recording("round", 20000);
    const fs::path folder = source.parent_path();
    const std::string kvox = KVO_KVOX_PATH;
    ASSERT_EQ(Kvox({"-b", "6000", source.string()}).status, kExitSuccess);
    ASSERT_EQ(Shell("cd '" + folder.string() + "'; cat a.kvo | '" + kvox +
                    "' -z -c -b 6000 > piped.kvox; cat piped.kvox | '" + kvox +
                    "' -d > piped.kvo; '" + kvox + "' -d -c - < a.kvox > named.kvo"),
              0);
    EXPECT_EQ(ReadBytes(folder / "piped.kvox"), ReadBytes(folder / "a.kvox"));
    EXPECT_EQ(ReadBytes(folder / "piped.kvo"), ReadBytes(source));
    EXPECT_EQ(ReadBytes(folder / "named.kvo"), ReadBytes(source));
}

TEST(KvoxPipes, CompressedDataNeverGoToATerminal) {
    const auto source = Recording("terminal", 600);
    const KvoxRun run = Kvox({"-c", source.string()}, true);
    EXPECT_EQ(run.status, kExitError);
    EXPECT_NE(run.err.find("терминал"), std::string::npos) << run.err;
    EXPECT_EQ(Kvox({"-c", source.string(), source.string()}).status, kExitError);
    EXPECT_EQ(Kvox({}).status, kExitError);  // no file and no direction
}

TEST(KvoxPipes, TheOutputKeepsTheSourcesPermissionsAndTime) {
    const auto source = Recording("metadata", 600);
    fs::permissions(source, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const auto then = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
    fs::last_write_time(source, then);
    const auto kept = fs::last_write_time(source);  // as finely as the file system keeps time
    const auto compressed = source.parent_path() / "a.kvox";
    ASSERT_EQ(Kvox({"-k", source.string()}).status, kExitSuccess);
    EXPECT_TRUE(fs::exists(source));
    EXPECT_EQ(fs::status(compressed).permissions(), fs::status(source).permissions());
    EXPECT_EQ(fs::last_write_time(compressed), kept);

    fs::remove(source);
    ASSERT_EQ(Kvox({compressed.string()}).status, kExitSuccess);
    EXPECT_EQ(fs::status(source).permissions(), fs::status(compressed).permissions());
    EXPECT_EQ(fs::last_write_time(source), kept);
}

TEST(KvoxPipes, RecursiveRunsTakeTheFilesBelowFolders) {
    const auto source = Recording("recursive", 600);
    const fs::path folder = source.parent_path();
    fs::create_directories(folder / "deep" / "er");
    fs::copy_file(source, folder / "deep" / "er" / "b.kvo");
    WriteBytes(folder / "deep" / "notes.txt", "not a recording");
    EXPECT_EQ(Kvox({"-r", folder.string()}).status, kExitSuccess);
    EXPECT_TRUE(fs::exists(folder / "a.kvox"));
    EXPECT_TRUE(fs::exists(folder / "deep" / "er" / "b.kvox"));
    EXPECT_EQ(Kvox({"-t", "-r", folder.string()}).status, kExitSuccess);
    EXPECT_EQ(Kvox({folder.string()}).status, kExitError);  // a folder without -r
    EXPECT_NE(Kvox({"--help"}).out.find("2  только предупреждения"), std::string::npos);
}

}  // namespace
}  // namespace kvo::cli
