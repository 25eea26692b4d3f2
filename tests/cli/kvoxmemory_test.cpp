// Peak memory of the kvox program on files whose headers claim huge sizes: bounded by what can be
// decoded, never by what a header says. Runs the real program in a child process.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cctype>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "testfiles.h"

extern char** environ;

namespace kvo::cli {
namespace {

constexpr long kLimitKiB = 100 * 1024;

struct ChildRun {
    int status = -1;
    long peakKiB = 0;  // the child's largest resident set
};

// Runs kvox under /usr/bin/time, which forks it afresh: a child spawned by this (large) test
// process would inherit its peak memory and report that instead of its own.
ChildRun RunKvoxProgram(const std::vector<std::string>& args) {
    const std::string peakFile = (test::CleanFolder("kvox-memory-peak") / "peak").string();
    std::vector<std::string> words{"/usr/bin/time", "-f", "%M", "-o", peakFile, KVO_KVOX_PATH};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    ChildRun run;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        ADD_FAILURE() << "kvox did not start under " << argv[0];
        return run;
    }
    int raw = 0;
    if (::waitpid(child, &raw, 0) == child && WIFEXITED(raw)) {
        run.status = WEXITSTATUS(raw);
    }
    // The last line holds the figure; a line before it tells of a non-zero exit.
    std::istringstream lines(test::ReadBytes(peakFile));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0])) != 0) {
            run.peakKiB = std::stol(line);
        }
    }
    return run;
}

TEST(KvoxMemory, ListingAHugePassportReadsOnlyItsFields) {
    constexpr std::uint32_t kPassportLength = 1'800'000'000;
    const std::string path = (test::CleanFolder("kvox-memory") / "huge.kvo").string();
    test::WriteBytes(path, test::Passport(24));
    {
        // The length field alone claims the huge passport; the file is sparse.
        std::string field(4, '\0');
        for (int i = 0; i < 4; ++i) {
            field[static_cast<std::size_t>(i)] = static_cast<char>(kPassportLength >> (8 * i));
        }
        std::string bytes = test::ReadBytes(path);
        bytes.replace(6, 4, field);
        test::WriteBytes(path, bytes);
    }
    std::filesystem::resize_file(path, 1'900'000'000);
    for (const bool json : {false, true}) {
        const ChildRun run = RunKvoxProgram(json ? std::vector<std::string>{"-l", "--json", path}
                                                 : std::vector<std::string>{"-l", path});
        EXPECT_EQ(run.status, 0) << json;
        EXPECT_LT(run.peakKiB, kLimitKiB) << json;
    }
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace kvo::cli

namespace kvo::cli {
namespace {

// A sparse multi-gigabyte compressed file whose first length word claims a huge section: testing
// and restoring refuse it at once instead of reading the claim into memory.
TEST(KvoxMemory, AHugeFirstSectionIsRefusedBeforeItIsRead) {
    const auto folder = test::CleanFolder("kvox-memory-section");
    const std::string path = (folder / "huge.kvox").string();
    for (const std::uint32_t claim : {0xFFFFFFF0u, 0x7FFFFFF0u, 0x70000000u}) {
        std::string bytes = test::Passport(24);
        for (int i = 0; i < 4; ++i) {
            bytes += static_cast<char>(claim >> (8 * i));
        }
        test::WriteBytes(path, bytes);
        std::filesystem::resize_file(path, std::uint64_t{5} << 30);
        for (const auto& args :
             {std::vector<std::string>{"-t", path},
              std::vector<std::string>{"-f", "-o", (folder / "out.kvo").string(), path}}) {
            const ChildRun run = RunKvoxProgram(args);
            EXPECT_EQ(run.status, 1) << claim;
            EXPECT_LT(run.peakKiB, kLimitKiB) << claim;
        }
        EXPECT_FALSE(std::filesystem::exists(folder / "out.kvo"));
    }
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace kvo::cli
