#pragma once
// kvox as a child process, for what only a process of its own shows: another user's rights,
// signals, a standard input that never ends.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kvo::test {

struct ChildSetup {
    // Runs as the user "nobody" when the tests run as root, so that rights are enforced.
    bool unprivileged = false;
    // Standard input is a pipe that this side holds open and never writes.
    bool silentInput = false;
    // Standard output is a pipe that this side holds open and never reads.
    bool silentOutput = false;
    // TMPDIR of the child, when set.
    std::optional<std::filesystem::path> temporaryFolder;
};

// A running kvox; stopped and reaped on destruction if it is still running.
class KvoxChild {
  public:
    // stderr goes to `errFile`, stdout to /dev/null unless `silentOutput`.
    KvoxChild(const std::vector<std::string>& args, const std::filesystem::path& errFile,
              const ChildSetup& setup = {});
    KvoxChild(const KvoxChild&) = delete;
    KvoxChild& operator=(const KvoxChild&) = delete;
    ~KvoxChild();

    // True once the child handles `signal` itself (its handler is installed), within `limit`.
    bool waitUntilHandled(int signal, std::chrono::milliseconds limit) const;
    // True once the child has read at least `bytes` bytes of files, within `limit`.
    bool waitUntilRead(std::uint64_t bytes, std::chrono::milliseconds limit) const;
    // True once the pipe of the silent output is full and every thread of the child sleeps,
    // within `limit`.
    bool waitUntilOutputStalls(std::chrono::milliseconds limit) const;
    void signal(int signal) const;
    // The exit status, or nothing when the child did not exit by itself (killed by a signal, or
    // still running after `limit`).
    std::optional<int> exitStatus(std::chrono::milliseconds limit);

  private:
    pid_t fPid = -1;
    int fInput = -1;  // the write end of the silent input
    // The silent output's ends: the read end keeps the pipe open, the write end shows whether
    // the pipe is full.
    int fOutputRead = -1;
    int fOutputWrite = -1;
    bool fReaped = false;
};

// The uid kvox children run as when `unprivileged` is asked for and the tests run as root.
inline constexpr uid_t kNobody = 65534;

}  // namespace kvo::test
