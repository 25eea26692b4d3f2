// Where kvox's output lands and as whose file: never a set-user-ID copy, never through another
// user's link or a link to nothing without -f, never a rename over what a descriptor names, and
// no file name that can drive the terminal in its messages.

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "cli/kvox.h"
#include "kvoxrun.h"
#include "synth/kvosynth.h"
#include "testfiles.h"

namespace kvo::cli {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

using test::Kvox;
using test::KvoxRun;

constexpr uid_t kOtherUser = 12345;
constexpr uid_t kThirdUser = 12346;

fs::path Recording(const std::string& name, std::uint64_t records = 600) {
    return test::SyntheticRecording("kvox-outputs-" + name, synth::Kind::TipTiming, records, 5);
}

struct stat StatOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info;
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// kvox itself run as kOtherUser; its exit status.
int KvoxAsOtherUser(const std::vector<std::string>& args) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::vector<char*> argv{const_cast<char*>(KVO_KVOX_PATH)};
        for (const auto& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        if (::setgroups(0, nullptr) != 0 || ::setgid(kOtherUser) != 0 ||
            ::setuid(kOtherUser) != 0) {
            ::_exit(126);
        }
        ::execv(KVO_KVOX_PATH, argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A user's program whose bytes 6-9 hold its own size reads as a passport without data.
TEST(KvoxOutputs, ARootRunMakesNoSetUserIdCopyOfAUsersProgram) {
    const auto folder = test::CleanFolder("kvox-outputs-setuid");
    const auto program = folder / "tool.kvo";
    std::string bytes =
        "\x7F"
        "ELF" +
        std::string(60, '\x01');
    for (int i = 0; i < 4; ++i) {
        bytes[6 + i] = static_cast<char>(bytes.size() >> (8 * i));
    }
    WriteBytes(program, bytes);
    ASSERT_EQ(::chown(program.c_str(), kOtherUser, kOtherUser), 0);
    ASSERT_EQ(::chmod(program.c_str(), 04755), 0);

    EXPECT_EQ(Kvox({program.string()}).status, kExitWarning);
    const struct stat compressed = StatOf(folder / "tool.kvox");
    EXPECT_EQ(compressed.st_mode & 07777, 0755u);
    EXPECT_EQ(compressed.st_uid, kOtherUser);
    EXPECT_EQ(compressed.st_gid, kOtherUser);

    ASSERT_EQ(::chmod((folder / "tool.kvox").c_str(), 06755), 0);
    EXPECT_EQ(Kvox({"-o", (folder / "copy").string(), (folder / "tool.kvox").string()}).status,
              kExitWarning);
    EXPECT_EQ(ReadBytes(folder / "copy"), bytes);
    EXPECT_EQ(StatOf(folder / "copy").st_mode & 07777, 0755u);
    EXPECT_EQ(StatOf(folder / "copy").st_uid, kOtherUser);
}

TEST(KvoxOutputs, AnotherUsersSourceGivesANonRootRunItsOwnPlainFile) {
    const auto source = Recording("non-root");
    const auto folder = source.parent_path();
    ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
    ASSERT_EQ(::chown(source.c_str(), kThirdUser, kThirdUser), 0);
    ASSERT_EQ(::chmod(source.c_str(), 04775), 0);
    EXPECT_EQ(KvoxAsOtherUser({source.string()}), kExitSuccess);
    const struct stat compressed = StatOf(folder / "a.kvox");
    EXPECT_EQ(compressed.st_uid, kOtherUser);
    EXPECT_EQ(compressed.st_gid, kOtherUser);
    // The group's write bit was meant for the source's group, which the output does not have.
    EXPECT_EQ(compressed.st_mode & 07777, 0755u);
}

TEST(KvoxOutputs, ALinkToNothingIsAnExistingOutput) {
    const auto source = Recording("dangling");
    const auto folder = source.parent_path();
    fs::create_directory(folder / "elsewhere");
    fs::create_symlink("elsewhere/new-file", folder / "a.kvox");
    const KvoxRun refused = Kvox({source.string()});
    EXPECT_EQ(refused.status, kExitError);
    EXPECT_TRUE(Has(refused.err, "уже существует (заменить: -f)")) << refused.err;
    EXPECT_FALSE(fs::exists(folder / "elsewhere" / "new-file"));

    // With -f the runner's own link is followed; another user's is not.
    ASSERT_EQ(::lchown((folder / "a.kvox").c_str(), kOtherUser, kOtherUser), 0);
    const KvoxRun foreign = Kvox({"-f", source.string()});
    EXPECT_EQ(foreign.status, kExitError);
    EXPECT_TRUE(Has(foreign.err, "ссылка")) << foreign.err;
    EXPECT_FALSE(fs::exists(folder / "elsewhere" / "new-file"));

    ASSERT_EQ(::lchown((folder / "a.kvox").c_str(), ::geteuid(), ::getegid()), 0);
    EXPECT_EQ(Kvox({"-f", source.string()}).status, kExitSuccess);
    EXPECT_TRUE(fs::is_symlink(folder / "a.kvox"));
    EXPECT_EQ(Kvox({"-t", (folder / "elsewhere" / "new-file").string(), "-d"}).status,
              kExitSuccess);
}

// Standard output redirected with >> to a log: what was there stays, the archive follows it.
TEST(KvoxOutputs, ADescriptorNameIsWrittenThroughItsDescriptor) {
    const auto source = Recording("descriptors");
    const auto folder = source.parent_path();
    ASSERT_EQ(Kvox({"-o", (folder / "expected.kvox").string(), source.string()}).status,
              kExitSuccess);
    const std::string archive = ReadBytes(folder / "expected.kvox");
    const auto log = folder / "log.txt";
    WriteBytes(log, "earlier\n");
    const int appending = ::open(log.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(appending, 0);
    const std::string number = std::to_string(appending);
    std::string expected = "earlier\n";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-f", "-o", "/dev/fd/" + number},
          std::vector<std::string>{"-o", "/proc/self/fd/" + number},
          std::vector<std::string>{"-f", "-o", "/dev/stdout"}}) {
        std::vector<std::string> all = args;
        all.push_back(source.string());
        const int savedOut = ::dup(STDOUT_FILENO);
        ASSERT_EQ(::dup2(appending, STDOUT_FILENO), STDOUT_FILENO);
        const KvoxRun run = Kvox(all);
        ::dup2(savedOut, STDOUT_FILENO);
        ::close(savedOut);
        EXPECT_EQ(run.status, kExitSuccess) << all[all.size() - 2] << ": " << run.err;
        expected += archive;
        EXPECT_EQ(ReadBytes(log), expected) << all[all.size() - 2];
    }
    ::close(appending);
    EXPECT_EQ(test::EntriesIn(folder), 3u);
}

// kvox -c a.kvo >> a.kvo would append to the recording while it is read.
TEST(KvoxOutputs, StandardOutputOntoTheSourceIsRefused) {
    const auto source = Recording("onto-source");
    const std::string original = ReadBytes(source);
    const int appending = ::open(source.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(appending, 0);
    const int savedOut = ::dup(STDOUT_FILENO);
    ASSERT_EQ(::dup2(appending, STDOUT_FILENO), STDOUT_FILENO);
    const KvoxRun run = Kvox({"-c", source.string()});
    ::dup2(savedOut, STDOUT_FILENO);
    ::close(savedOut);
    ::close(appending);
    EXPECT_EQ(run.status, kExitError);
    EXPECT_TRUE(Has(run.err, "совпадает с исходным: стандартный вывод")) << run.err;
    EXPECT_EQ(ReadBytes(source), original);
}

TEST(KvoxOutputs, MessagesShowControlCharactersOfNamesAsEscapes) {
    const auto source = Recording("names");
    const auto folder = source.parent_path();
    const std::string hostile = (folder / "x\x1b]0;owned\x07\r\nkvox: forged.kvo").string();
    const auto clean = [](const std::string& text) {
        return std::none_of(text.begin(), text.end(),
                            [](char c) { return c == '\x1b' || c == '\x07' || c == '\r'; });
    };
    const KvoxRun missing = Kvox({hostile});
    EXPECT_EQ(missing.status, kExitError);
    EXPECT_TRUE(clean(missing.err)) << missing.err;
    EXPECT_EQ(std::count(missing.err.begin(), missing.err.end(), '\n'), 1) << missing.err;
    EXPECT_TRUE(Has(missing.err, "x\\x1B]0;owned\\x07\\x0D\\x0Akvox: forged.kvo: ")) << missing.err;

    WriteBytes(hostile + "x", "in the way");
    const KvoxRun taken = Kvox({"-o", hostile + "x", source.string()});
    EXPECT_EQ(taken.status, kExitError);
    EXPECT_TRUE(clean(taken.err)) << taken.err;
    EXPECT_EQ(std::count(taken.err.begin(), taken.err.end(), '\n'), 1) << taken.err;

    const KvoxRun usage = Kvox({"-b", "7\x1b[2J"});
    EXPECT_EQ(usage.status, kExitError);
    EXPECT_TRUE(Has(usage.err, "7\\x1B[2J")) << usage.err;
}

}  // namespace
}  // namespace kvo::cli
