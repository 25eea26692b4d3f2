#pragma once
// An output file that appears whole or not at all: written under no name (or a short hidden one
// where the file system cannot do that) and given the target's name only by commit(). A crash or
// a failed run leaves an existing target as it was and, with an unnamed file, nothing behind.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/filestream.h"

namespace kvo {

enum class ExistingTarget {
    Replace,  // the user asked for the target to be replaced
    Keep,     // an existing target, also one that appears while the run goes on, fails commit()
};

// What an output takes over from its source when it is named.
struct KeptMetadata {
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
    std::uint32_t mode = 0;
    std::int64_t modifiedNanoseconds = 0;
};

class SafeOutputFile {
  public:
    // With Replace, links at the target that belong to the user running the program are
    // followed: the file they lead to is written and the links stay; another user's link is
    // refused, as the system refuses it in shared folders. With Keep, a link is an existing
    // target, also one that leads nowhere. A character device or a pipe is written directly,
    // since nothing can replace it whole; a folder or any other file that is not a regular one
    // is refused. kStandardOutput and the names of open descriptors (/dev/stdout, /dev/fd/N,
    // /proc/self/fd/N) are written through that descriptor, never renamed over.
    // On Windows, devices (NUL, CON, \\.\...) and kStandardOutput are written directly; the
    // unfinished file has a short hidden name in the target's folder and goes by itself even when
    // the process is killed; a read-only target is refused when it is to be replaced, and a name
    // longer than the file system takes before anything is written.
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
    // The file gets `source`'s permission bits and modification time when it is named, and its
    // owner and group where the system permits (written files only: a device or a pipe keeps
    // its own). Set-user-ID, set-group-ID and sticky bits never go over: a recording is no
    // program. On Windows only the modification time goes over: access lives in the folder's
    // lists, and a read-only attribute would keep the next run from replacing the output.
    void keepMetadataOf(const FileStream& source);
    // Syncs the data and gives the file its name; fails without a trace if that name is taken
    // and the target is to be kept.
    void commit();
    // Commits two written files (not devices or pipes) together: both get their names, or, when
    // either fails, neither does and both names hold what they held before.
    static void commitBoth(SafeOutputFile& first, SafeOutputFile& second);

  private:
    void openDirect(NativeHandle handle, const std::string& name);
    void openTemporary();
    void applyKept();
    // The steps of a commit: all that can fail without touching the target, then the naming,
    // then the clean-up that cannot fail.
    void prepare();
    void publish(bool undoable);
    void publishUnnamed(bool undoable);  // systems with files that have no name yet
    void publishNamed(bool undoable);
    void keepPrevious();
    void unpublish() noexcept;
    void finish() noexcept;

    std::string fTargetPath;
    std::string fFolder;
    std::string fTempPath;  // empty for an unnamed file and for direct writing
    // While an undoable commit is under way: where the target's earlier file waits, if it had one.
    std::string fPreviousPath;
    bool fPreviousMoved = false;  // moved aside rather than linked: the target has no file now
    bool fPublished = false;
    bool fReplace;
    bool fDirect = false;
    FileStream fStream;
    bool fCommitted = false;
    std::optional<KeptMetadata> fKept;
    // The unfinished file goes by itself when its handle closes, even when the process is killed,
    // until the commit takes that back (systems that can do this with a named file).
    bool fDeletesItself = false;

    // Measured on a 512 MiB restore: the run then ends about when its last block is written.
    static constexpr std::uint64_t kFlushEvery = std::uint64_t{32} << 20;
};

// The target name that stands for standard output, and how messages name it.
inline constexpr char kStandardOutput[] = "-";
inline constexpr char kStandardOutputShown[] = "стандартный вывод";

// Whether writing `targetPath` would replace something: anything there but a device, a pipe or
// an open descriptor, a link that leads nowhere included.
bool TargetTaken(const std::string& targetPath);

// What a name holds before an output is written there: a link counts as what it leads to, and a
// link that leads nowhere as a file.
enum class NameHolds { Nothing, File, Other };
struct NameState {
    NameHolds holds = NameHolds::Nothing;
    std::string unreadable;  // the system's reason when the name could not be looked at
};
NameState StateOfName(const std::string& path);

// The identity of the file a target leads to, descriptors included, or nothing when there is
// none yet.
std::optional<FileIdentity> TargetIdentity(const std::string& targetPath);

}  // namespace kvo
