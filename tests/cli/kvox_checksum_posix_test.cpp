// Checksum files that are pipes or devices: refused at once, never waited on.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>

#include "kvoxrun.h"
#include "synth/kvosynth.h"

namespace kvo::cli {
namespace {

namespace fs = std::filesystem;
using test::Kvox;
using test::ReadBytes;

TEST(KvoxChecksum, HostileChecksumFilesAreRefusedAtOnce) {
    const auto source =
        test::SyntheticRecording("kvox-checksum-hostile", synth::Kind::TipTiming, 3000, 5);
    const auto archive = source.parent_path() / "a.kvox";
    const auto sums = source.parent_path() / "a.kvox.sha256";
    ASSERT_EQ(Kvox({source.string()}).status, kExitSuccess);

    // A pipe nobody writes to.
    ASSERT_EQ(::mkfifo(sums.c_str(), 0600), 0);
    auto run = std::async(std::launch::async, [&] { return Kvox({"-t", archive.string()}); });
    const bool prompt = run.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!prompt) {
        ::close(::open(sums.c_str(), O_WRONLY | O_NONBLOCK));  // lets the waiting reader go
    }
    ASSERT_TRUE(prompt) << "kvox -t waits for a writer of the checksum pipe";
    const test::KvoxRun piped = run.get();
    EXPECT_EQ(piped.status, kExitError);
    EXPECT_NE(piped.err.find("не обычный файл"), std::string::npos) << piped.err;
    // Nor is a checksum ever written into one.
    const std::string archived = ReadBytes(archive);
    run = std::async(std::launch::async, [&] {
        return Kvox({"-f", "-b", "6000", source.string()});
    });
    const bool promptly = run.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!promptly) {
        ::close(::open(sums.c_str(), O_RDONLY | O_NONBLOCK));
    }
    ASSERT_TRUE(promptly) << "kvox waits for a reader of the checksum pipe";
    const test::KvoxRun into = run.get();
    EXPECT_EQ(into.status, kExitError);
    EXPECT_NE(into.err.find("не обычный файл"), std::string::npos) << into.err;
    EXPECT_EQ(ReadBytes(archive), archived);
    fs::remove(sums);

    // A device without end.
    fs::create_symlink("/dev/zero", sums);
    const test::KvoxRun endless = Kvox({"-t", archive.string()});
    EXPECT_EQ(endless.status, kExitError);
    EXPECT_NE(endless.err.find("не обычный файл"), std::string::npos) << endless.err;
}

}  // namespace
}  // namespace kvo::cli
