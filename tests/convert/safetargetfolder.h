#pragma once
// A folder with a small recording, and compressing it to a chosen target, for the tests of what a
// run may write.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "convert/convertfile.h"
#include "testfiles.h"

namespace kvo::test {

namespace fs = std::filesystem;

constexpr std::uint32_t kPassport = 24;
constexpr std::uint64_t kRecords = 600;
constexpr std::uint64_t kBlock = 1200;

struct Folder {
    fs::path path;
    std::string recording;
    fs::path source() const { return path / "a.kvo"; }
    fs::path target() const { return path / "a.kvox"; }
};

inline Folder Prepared(const std::string& name) {
    Folder folder{CleanFolder("safe-target-" + name), Passport(kPassport) + Records(kRecords, 5)};
    WriteBytes(folder.source(), folder.recording);
    return folder;
}

inline ConvertReport Compress(const Folder& folder, const fs::path& target,
                              const ProgressFn& progress = nullptr, RunOptions options = {}) {
    auto source = FileStream::OpenRead(folder.source().string());
    return CompressFile(source, kPassport, EqualBlocks(kRecords * 6, kBlock), target.string(),
                        progress, options);
}

inline std::string Expected(const Folder& folder) {
    const fs::path reference = folder.path / "reference.kvox";
    Compress(folder, reference);
    std::string bytes = ReadBytes(reference);
    fs::remove(reference);
    return bytes;
}

inline std::string Message(const std::function<void()>& run) {
    try {
        run();
    } catch (const ConvertError& error) {
        return error.what();
    }
    return "";
}

}  // namespace kvo::test
