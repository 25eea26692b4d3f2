#pragma once
// An output file that appears whole or not at all: written under no name (or a short hidden one
// where the file system cannot do that) and given the target's name only by commit(). A crash or
// a failed run leaves an existing target as it was and, with an unnamed file, nothing behind.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "platform/filestream.h"

namespace kvo {

enum class ExistingTarget {
    Replace,  // the user asked for the target to be replaced
    Keep,     // an existing target, also one that appears while the run goes on, fails commit()
};

class SafeOutputFile {
  public:
    // Links at the target are followed: the file they lead to is written and the links stay. A
    // character device or a pipe is written directly, since nothing can replace it whole; a
    // folder or any other file that is not a regular one is refused. kStandardOutput writes to
    // the process's standard output, directly.
    explicit SafeOutputFile(const std::string& targetPath,
                            ExistingTarget existing = ExistingTarget::Replace);
    SafeOutputFile(const SafeOutputFile&) = delete;
    SafeOutputFile& operator=(const SafeOutputFile&) = delete;
    ~SafeOutputFile();

    // Open for reading too, so a run can check what it wrote before committing.
    FileStream& stream() noexcept { return fStream; }
    // The file that commit() creates or replaces, links resolved.
    const std::string& targetPath() const noexcept { return fTargetPath; }
    bool writesDirectly() const noexcept { return fDirect; }
    // The permission bits and the modification time the file gets when it is named (written
    // files only: a device or a pipe keeps its own).
    void keepModeAndTime(std::uint32_t mode, std::int64_t modifiedNanoseconds);
    // Syncs the data and gives the file its name; fails without a trace if that name is taken
    // and the target is to be kept.
    void commit();

  private:
    void openTemporary();
    void publishUnnamed();
    void publishNamed();

    std::string fTargetPath;
    std::string fFolder;
    std::string fTempPath;  // empty for an unnamed file and for direct writing
    bool fReplace;
    bool fDirect = false;
    FileStream fStream;
    bool fCommitted = false;
    std::optional<std::pair<std::uint32_t, std::int64_t>> fModeAndTime;
};

// The target name that stands for standard output.
inline constexpr char kStandardOutput[] = "-";

}  // namespace kvo
