// kvox.exe as it meets a Windows user: arguments in UTF-16 whatever the ANSI code page, and
// standard output and error that carry the program's bytes unchanged when redirected.

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/buildrevision.h"
#include "synth/kvosynth.h"
#include "testfiles.h"

namespace kvo::cli {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;

struct ProgramRun {
    DWORD status = 0;
    std::string out;
    std::string err;
};

// A file the child writes its standard output or error into.
HANDLE InheritableFile(const fs::path& path) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Runs kvox.exe in `folder` with standard output and error redirected to files.
ProgramRun RunKvoxExe(const fs::path& folder, const std::vector<std::wstring>& args) {
    std::wstring commandLine = L"\"" + fs::path(KVO_KVOX_PATH).wstring() + L"\"";
    for (const std::wstring& arg : args) {
        commandLine += L" \"" + arg + L"\"";
    }
    const fs::path outFile = folder / "stdout.bin";
    const fs::path errFile = folder / "stderr.bin";
    const HANDLE out = InheritableFile(outFile);
    const HANDLE err = InheritableFile(errFile);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = INVALID_HANDLE_VALUE;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    ProgramRun run;
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       folder.c_str(), &startup, &process) == 0) {
        ADD_FAILURE() << "kvox.exe did not start: " << GetLastError();
        run.status = ~DWORD{0};
    } else {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &run.status);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(out);
    CloseHandle(err);
    run.out = ReadBytes(outFile);
    run.err = ReadBytes(errFile);
    return run;
}

TEST(KvoxExe, CyrillicNamesRoundTrip) {
    const fs::path folder = test::CleanFolder("kvox-exe-names");
    const auto recording = synth::makeRecording(synth::Kind::TipTiming, 3000, 11);
    const std::string original(recording.begin(), recording.end());
    test::WriteBytes(folder / L"запись.kvo", original);

    ASSERT_EQ(RunKvoxExe(folder, {L"запись.kvo"}).status, 0u);
    ASSERT_TRUE(fs::exists(folder / L"запись.kvox"));
    fs::rename(folder / L"запись.kvo", folder / "original.kvo");
    const ProgramRun restore = RunKvoxExe(folder, {L"запись.kvox"});
    EXPECT_EQ(restore.status, 0u) << restore.err;
    EXPECT_EQ(ReadBytes(folder / L"запись.kvo"), original);
}

TEST(KvoxExe, RedirectedOutputIsTheProgramsBytesUnchanged) {
    const fs::path folder = test::CleanFolder("kvox-exe-streams");
    const ProgramRun version = RunKvoxExe(folder, {L"--version"});
    EXPECT_EQ(version.status, 0u);
    // UTF-8, and a line end without a carriage return.
    EXPECT_EQ(version.out,
              std::string("kvox " KVO_TEST_VERSION " (ревизия ") + BuildRevision() + ")\n");

    const ProgramRun missing = RunKvoxExe(folder, {L"нет-такого.kvo"});
    EXPECT_EQ(missing.status, 1u);
    EXPECT_NE(missing.err.find("нет-такого.kvo"), std::string::npos) << missing.err;
    EXPECT_EQ(missing.err.find('\r'), std::string::npos) << missing.err;

    // Compressed data through standard output are the bytes of the compressed file.
    const auto recording = synth::makeRecording(synth::Kind::Runs, 5000, 3);
    test::WriteBytes(folder / "a.kvo", std::string(recording.begin(), recording.end()));
    const ProgramRun piped = RunKvoxExe(folder, {L"-c", L"a.kvo"});
    EXPECT_EQ(piped.status, 0u) << piped.err;
    ASSERT_EQ(RunKvoxExe(folder, {L"a.kvo"}).status, 0u);
    EXPECT_EQ(piped.out, ReadBytes(folder / "a.kvox"));
}

}  // namespace
}  // namespace kvo::cli
