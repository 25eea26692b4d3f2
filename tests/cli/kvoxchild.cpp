#include "kvoxchild.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace kvo::test {
namespace {

// The value of one "name: value" line of /proc/<pid>/<file>.
std::string ProcField(pid_t pid, const std::string& file, const std::string& name) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/" + file);
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(name + ":", 0) == 0) {
            return line.substr(name.size() + 1);
        }
    }
    return {};
}

template <typename Ready>
bool WaitFor(std::chrono::milliseconds limit, Ready ready) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!ready()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// In the child between fork and exec: only calls that are safe there.
[[noreturn]] void StartKvox(std::vector<char*>& argv, std::vector<char*>& environment, int errFile,
                            int input, int output, bool unprivileged) {
    const int null = ::open("/dev/null", O_RDWR);
    if (null < 0 || ::dup2(input >= 0 ? input : null, 0) < 0 ||
        ::dup2(output >= 0 ? output : null, 1) < 0 || ::dup2(errFile, 2) < 0) {
        ::_exit(126);
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        ::signal(signal, SIG_DFL);
    }
    if (unprivileged && ::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
        ::_exit(126);
    }
    ::execve(argv[0], argv.data(), environment.data());
    ::_exit(127);
}

}  // namespace

KvoxChild::KvoxChild(const std::vector<std::string>& args, const std::filesystem::path& errFile,
                     const ChildSetup& setup) {
    std::vector<std::string> words{KVO_KVOX_PATH};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> variables;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        if (!setup.temporaryFolder || std::string(*variable).rfind("TMPDIR=", 0) != 0) {
            variables.emplace_back(*variable);
        }
    }
    if (setup.temporaryFolder) {
        variables.push_back("TMPDIR=" + setup.temporaryFolder->string());
    }
    std::vector<char*> environment;
    for (std::string& variable : variables) {
        environment.push_back(variable.data());
    }
    environment.push_back(nullptr);
    const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    int input[2] = {-1, -1};
    if (setup.silentInput && ::pipe2(input, O_CLOEXEC) != 0) {
        input[0] = input[1] = -1;
    }
    int output[2] = {-1, -1};
    if (setup.silentOutput && ::pipe2(output, O_CLOEXEC) != 0) {
        output[0] = output[1] = -1;
    }
    fPid = ::fork();
    if (fPid == 0) {
        StartKvox(argv, environment, err, input[0], output[1], setup.unprivileged);
    }
    for (const int childEnd : {err, input[0]}) {
        if (childEnd >= 0) {
            ::close(childEnd);
        }
    }
    fInput = input[1];
    fOutputRead = output[0];
    fOutputWrite = output[1];
}

KvoxChild::~KvoxChild() {
    if (fPid > 0 && !fReaped) {
        ::kill(fPid, SIGKILL);
        ::waitpid(fPid, nullptr, 0);
    }
    for (const int end : {fInput, fOutputRead, fOutputWrite}) {
        if (end >= 0) {
            ::close(end);
        }
    }
}

bool KvoxChild::waitUntilHandled(int signal, std::chrono::milliseconds limit) const {
    const unsigned long long bit = 1ull << (signal - 1);
    return WaitFor(limit, [&] {
        const std::string caught = ProcField(fPid, "status", "SigCgt");
        return !caught.empty() && (std::stoull(caught, nullptr, 16) & bit) != 0;
    });
}

bool KvoxChild::waitUntilRead(std::uint64_t bytes, std::chrono::milliseconds limit) const {
    return WaitFor(limit, [&] {
        const std::string read = ProcField(fPid, "io", "rchar");
        return !read.empty() && std::stoull(read) >= bytes;
    });
}

bool KvoxChild::waitUntilOutputStalls(std::chrono::milliseconds limit) const {
    const std::filesystem::path tasks = "/proc/" + std::to_string(fPid) + "/task";
    return WaitFor(limit, [&] {
        pollfd output{fOutputWrite, POLLOUT, 0};
        if (::poll(&output, 1, 0) != 0) {
            return false;  // room left
        }
        std::error_code error;
        for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
            // "tid (name) state ...": the state follows the name's closing parenthesis.
            std::string stat;
            std::getline(std::ifstream(task.path() / "stat"), stat);
            const auto nameEnd = stat.rfind(')');
            if (nameEnd == std::string::npos || stat.compare(nameEnd, 3, ") S") != 0) {
                return false;
            }
        }
        return !error;
    });
}

void KvoxChild::signal(int signal) const {
    ::kill(fPid, signal);
}

std::optional<int> KvoxChild::exitStatus(std::chrono::milliseconds limit) {
    int raw = 0;
    const bool ended = WaitFor(limit, [&] { return ::waitpid(fPid, &raw, WNOHANG) == fPid; });
    if (!ended) {
        return std::nullopt;
    }
    fReaped = true;
    if (!WIFEXITED(raw)) {
        return std::nullopt;
    }
    return WEXITSTATUS(raw);
}

}  // namespace kvo::test
