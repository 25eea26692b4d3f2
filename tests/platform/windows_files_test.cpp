// The Windows file layer's own rules: how an output gets its name, the hidden file an unfinished
// run writes, what tells files apart, read-only targets, devices, and names that the system's
// narrow calls could not take.

#include <windows.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/filestream.h"
#include "platform/flushbehind.h"
#include "platform/fspath.h"
#include "platform/safeoutput.h"
#include "platform/widetext.h"
#include "platform/writeaccess.h"
#include "testfiles.h"

namespace kvo {
namespace {

namespace fs = std::filesystem;

std::string Folder(const std::string& name) {
    return Utf8Of(test::CleanFolder("windows-" + name));
}

void Write(const std::string& path, const std::string& bytes) {
    test::WriteBytes(FsPath(path), bytes);
}

std::string Read(const std::string& path) {
    auto stream = FileStream::OpenRead(path);
    std::string bytes(static_cast<std::size_t>(stream.size()), '\0');
    stream.readExact(bytes.data(), bytes.size());
    return bytes;
}

DWORD Attributes(const std::string& path) {
    return GetFileAttributesW(SystemPathOf(path).c_str());
}

// The names in a folder, hidden ones included.
std::vector<std::wstring> Names(const std::string& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((SystemPathOf(folder) + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") {
            names.push_back(name);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

std::string Committed(const std::string& target, ExistingTarget existing,
                      const std::function<void()>& meanwhile) {
    SafeOutputFile output(target, existing);
    output.stream().write("ours", 4);
    meanwhile();
    try {
        output.commit();
    } catch (const FileError& error) {
        EXPECT_EQ(error.errorCode(), EEXIST);
        return error.what();
    }
    return {};
}

constexpr wchar_t kKilledRunFolder[] = L"KVO_KILLED_RUN_FOLDER";
constexpr DWORD kKilledExitCode = 3;

// Started by AKilledRunLeavesNothingBehind, the program leaves an unfinished output and ends at
// once, as a killed run ends: no destructor runs.
const bool gKilledRun = [] {
    std::wstring folder(MAX_PATH, L'\0');
    const DWORD length = GetEnvironmentVariableW(kKilledRunFolder, folder.data(), MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return false;
    }
    folder.resize(length);
    SafeOutputFile output(Utf8OfWide(folder) + "\\a.kvox");
    output.stream().write("unfinished", 10);
    TerminateProcess(GetCurrentProcess(), kKilledExitCode);
    return true;
}();

constexpr wchar_t kSpoolTarget[] = L"KVO_SPOOL_TARGET";

// Started by StandardInputIsSpooledWhole, the program copies what its standard input spools to
// the file named, and ends.
const bool gSpoolRun = [] {
    std::wstring target(MAX_PATH, L'\0');
    const DWORD length = GetEnvironmentVariableW(kSpoolTarget, target.data(), MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return false;
    }
    target.resize(length);
    auto spool = FileStream::SpoolStandardInput(TemporaryFolder());
    SafeOutputFile output(Utf8OfWide(target));
    output.stream().copyFrom(spool, spool.size());
    output.commit();
    ExitProcess(0);
}();

// Runs this program again with `variable` set to `value`, and standard input from `input`, if
// given; returns its exit code.
DWORD RunSelf(const wchar_t* variable, const std::string& value, HANDLE input = nullptr) {
    std::wstring self(MAX_PATH, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), MAX_PATH));
    std::wstring command = L"\"" + self + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (input != nullptr) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = input;
        startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    }
    PROCESS_INFORMATION child{};
    EXPECT_TRUE(SetEnvironmentVariableW(variable, WideOf(value).c_str()));
    const bool started = CreateProcessW(self.c_str(), command.data(), nullptr, nullptr,
                                        input != nullptr, 0, nullptr, nullptr, &startup, &child);
    SetEnvironmentVariableW(variable, nullptr);
    if (!started) {
        ADD_FAILURE() << "the test program did not start again";
        return ~DWORD{0};
    }
    if (input != nullptr) {
        CloseHandle(input);  // the child holds its own copy
    }
    EXPECT_EQ(WaitForSingleObject(child.hProcess, 60'000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return code;
}

TEST(WindowsFiles, AKilledRunLeavesNothingBehind) {
    const std::string folder = Folder("killed");
    EXPECT_EQ(RunSelf(kKilledRunFolder, folder), kKilledExitCode);
    EXPECT_TRUE(Names(folder).empty());
}

// A pipe is read to its end, an empty write on the way included, and its bytes go unchanged.
TEST(WindowsFiles, StandardInputIsSpooledWhole) {
    const std::string target = Folder("spool") + "\\spooled.kvo";
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE reading = nullptr;
    HANDLE writing = nullptr;
    ASSERT_TRUE(CreatePipe(&reading, &writing, &inherited, 0));
    SetHandleInformation(writing, HANDLE_FLAG_INHERIT, 0);
    const std::string bytes("first\r\n\x1A\0second", 15);
    std::thread writer([&] {
        DWORD put = 0;
        WriteFile(writing, bytes.data(), 8, &put, nullptr);
        WriteFile(writing, bytes.data(), 0, &put, nullptr);
        WriteFile(writing, bytes.data() + 8, static_cast<DWORD>(bytes.size() - 8), &put, nullptr);
        CloseHandle(writing);
    });
    EXPECT_EQ(RunSelf(kSpoolTarget, target, reading), 0u);
    writer.join();
    EXPECT_EQ(Read(target), bytes);
}

TEST(WindowsFiles, KeepNeverReplacesAFileThatAppearedAndReplaceDoes) {
    const std::string folder = Folder("rename");
    const std::string target = folder + "\\a.kvox";
    const std::string kept =
        Committed(target, ExistingTarget::Keep, [&] { Write(target, "theirs"); });
    EXPECT_NE(kept.find("уже существует"), std::string::npos) << kept;
    EXPECT_EQ(Read(target), "theirs");
    EXPECT_EQ(Names(folder).size(), 1u);

    EXPECT_EQ(Committed(target, ExistingTarget::Replace, [&] { Write(target, "theirs"); }), "");
    EXPECT_EQ(Read(target), "ours");
    EXPECT_EQ(Names(folder).size(), 1u);
    // The new file is an ordinary one: the hidden attribute of its unfinished state is gone.
    EXPECT_EQ(Attributes(target) & FILE_ATTRIBUTE_HIDDEN, 0u);

    std::filesystem::remove(FsPath(target));
    EXPECT_EQ(Committed(target, ExistingTarget::Keep, [] {}), "");
    EXPECT_EQ(Read(target), "ours");
}

TEST(WindowsFiles, TheUnfinishedFileIsHiddenAndGoesOnEveryFailure) {
    const std::string folder = Folder("temporary");
    const std::string target = folder + "\\a.kvox";
    {
        SafeOutputFile output(target, ExistingTarget::Keep);
        output.stream().write("data", 4);
        const auto names = Names(folder);
        ASSERT_EQ(names.size(), 1u);
        EXPECT_TRUE(names[0].starts_with(L".kvo-")) << Utf8OfWide(names[0]);
        EXPECT_LT(names[0].size(), 40u);
        EXPECT_NE(Attributes(folder + "\\" + Utf8OfWide(names[0])) & FILE_ATTRIBUTE_HIDDEN, 0u);
    }
    EXPECT_TRUE(Names(folder).empty());

    // A commit that fails leaves nothing behind either.
    Write(target, "theirs");
    EXPECT_NE(Committed(target, ExistingTarget::Keep, [] {}), "");
    EXPECT_EQ(Names(folder).size(), 1u);
}

TEST(WindowsFiles, IdentityTellsFilesAndTheirStatesApart) {
    const std::string folder = Folder("identity");
    const std::string file = folder + "\\a.kvo";
    Write(file, "0123456789");
    ASSERT_TRUE(CreateHardLinkW(SystemPathOf(folder + "\\b.kvo").c_str(),
                                SystemPathOf(file).c_str(), nullptr));
    const auto first = IdentityOf(file);
    ASSERT_TRUE(first);
    // One file under two names and two spellings.
    EXPECT_EQ(IdentityOf(folder + "\\b.kvo"), first);
    EXPECT_EQ(IdentityOf(folder + "/A.KVO"), first);
    EXPECT_EQ(FileStream::OpenRead(file).identity(), *first);
    EXPECT_EQ(first->size, 10u);

    Write(folder + "\\c.kvo", "0123456789");
    EXPECT_FALSE(IdentityOf(folder + "\\c.kvo")->sameFile(*first));

    // Rewritten in place with the same size: the same file, but not the same state.
    Write(file, "9876543210");
    const fs::path path = FsPath(file);
    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(5));
    const auto rewritten = IdentityOf(file);
    ASSERT_TRUE(rewritten);
    EXPECT_TRUE(rewritten->sameFile(*first));
    EXPECT_NE(*rewritten, *first);
    EXPECT_FALSE(IdentityOf(folder + "\\missing.kvo"));
}

TEST(WindowsFiles, AReadOnlyTargetIsRefusedAndItsAttributeNeverCarried) {
    const std::string folder = Folder("read-only");
    const std::string target = folder + "\\a.kvox";
    Write(target, "kept");
    ASSERT_TRUE(SetFileAttributesW(SystemPathOf(target).c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(MayWrite(target));
    try {
        SafeOutputFile output(target);
        FAIL() << "a read-only target was opened for replacing";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), WriteProtectedText(target));
        EXPECT_EQ(error.errorCode(), EACCES);
    }
    EXPECT_EQ(Read(target), "kept");
    EXPECT_EQ(Names(folder).size(), 1u);

    // An output takes over its source's time, not its read-only attribute: the next run must be
    // able to replace it.
    const fs::path source = FsPath(target);
    const auto sourceTime = fs::last_write_time(source) - std::chrono::hours(30);
    ASSERT_TRUE(SetFileAttributesW(SystemPathOf(target).c_str(), FILE_ATTRIBUTE_NORMAL));
    fs::last_write_time(source, sourceTime);
    ASSERT_TRUE(SetFileAttributesW(SystemPathOf(target).c_str(), FILE_ATTRIBUTE_READONLY));
    const std::string output = folder + "\\b.kvo";
    {
        SafeOutputFile file(output);
        file.keepMetadataOf(FileStream::OpenRead(target));
        file.stream().write("x", 1);
        file.commit();
    }
    EXPECT_TRUE(MayWrite(output));
    EXPECT_EQ(Attributes(output) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u);
    EXPECT_EQ(fs::last_write_time(FsPath(output)), sourceTime);
    ASSERT_TRUE(SetFileAttributesW(SystemPathOf(target).c_str(), FILE_ATTRIBUTE_NORMAL));
}

TEST(WindowsFiles, DevicesAreWrittenDirectly) {
    for (const std::string device : {"NUL", "nul"}) {
        EXPECT_FALSE(TargetTaken(device));
        EXPECT_EQ(StateOfName(device).holds, NameHolds::Other);
        SafeOutputFile output(device);
        EXPECT_TRUE(output.writesDirectly());
        output.stream().write("discarded", 9);
        output.commit();
    }
    EXPECT_FALSE(TargetTaken(kStandardOutput));
}

TEST(WindowsFiles, ANameLongerThanTheFileSystemTakesIsRefusedAtOnce) {
    const std::string folder = Folder("overlong");
    const std::string target = folder + "\\" + std::string(252, 'n') + ".kvox";
    try {
        SafeOutputFile output(target);
        FAIL() << "an overlong name was accepted";
    } catch (const FileError& error) {
        EXPECT_EQ(error.errorCode(), ENAMETOOLONG);
        EXPECT_NE(std::string(error.what()).find("(ошибка 206)"), std::string::npos)
            << error.what();
    }
    EXPECT_TRUE(Names(folder).empty());
    // At the limit the name is written.
    SafeOutputFile output(folder + "\\" + std::string(250, 'n') + ".kvox");
    output.commit();
    EXPECT_EQ(Names(folder).size(), 1u);
}

TEST(WindowsFiles, CyrillicAndLongNamesAreWrittenAndRead) {
    std::string folder = Folder("names");
    // Past the 260 characters of the system's classic limit.
    while (folder.size() < 300) {
        folder += "\\каталог-с-длинным-именем";
        ASSERT_TRUE(CreateDirectoryW(SystemPathOf(folder).c_str(), nullptr)) << folder;
    }
    const std::string target = folder + "\\запись.kvox";
    EXPECT_FALSE(TargetTaken(target));
    EXPECT_EQ(StateOfName(target).holds, NameHolds::Nothing);
    {
        SafeOutputFile output(target, ExistingTarget::Keep);
        output.stream().write("данные", 12);
        output.commit();
    }
    EXPECT_EQ(Names(folder), std::vector<std::wstring>{L"запись.kvox"});
    EXPECT_EQ(Read(target), "данные");
    EXPECT_TRUE(TargetTaken(target));
    EXPECT_EQ(StateOfName(target).holds, NameHolds::File);
    EXPECT_TRUE(IdentityOf(target));
    EXPECT_TRUE(MayWrite(target));
}

TEST(WindowsFiles, ReadsAtAnOffsetLeaveThePositionAlone) {
    const std::string file = Folder("offsets") + "\\a.bin";
    Write(file, "0123456789");
    auto stream = FileStream::OpenRead(file);
    char buffer[4] = {};
    stream.readExactAt(6, buffer, 4);
    EXPECT_EQ(std::string(buffer, 4), "6789");
    stream.readExact(buffer, 3);
    EXPECT_EQ(std::string(buffer, 3), "012");
    EXPECT_EQ(stream.position(), 3u);
}

// Standard input is spooled where the user keeps temporary files, as the system names it.
TEST(WindowsFiles, TheTemporaryFolderIsTheSystems) {
    const std::string folder = Folder("temporary-folder");
    ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", WideOf(folder).c_str()));
    const auto named = IdentityOf(TemporaryFolder());
    ASSERT_TRUE(named) << TemporaryFolder();
    EXPECT_TRUE(named->sameFile(*IdentityOf(folder))) << TemporaryFolder();
    ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", nullptr));
    EXPECT_TRUE(fs::is_directory(FsPath(TemporaryFolder())));
}

// A flush that fails is kept for the final sync: a file open only for reading cannot be flushed.
TEST(WindowsFiles, AFailedFlushIsKeptForTheFinalSync) {
    const std::string file = Folder("flush") + "\\a.bin";
    Write(file, "data");
    const HANDLE reading = CreateFileW(SystemPathOf(file).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reading, INVALID_HANDLE_VALUE);
    {
        FlushBehind flush(reading, 100);
        flush.wrote(100);
        EXPECT_EQ(flush.stop(), ERROR_ACCESS_DENIED);
    }
    CloseHandle(reading);
}

}  // namespace
}  // namespace kvo
