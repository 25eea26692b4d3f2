#pragma once
// The target of one run: written safely, hashed while written when a checksum file is wanted,
// and read back when the run checks what it wrote.

#include <memory>
#include <optional>
#include <string>

#include "convert/checksum.h"
#include "convert/convertfile.h"
#include "platform/safeoutput.h"

namespace kvo {

// What becomes of a checksum file that is already beside the target.
enum class ChecksumBeside {
    Ignore,       // a recording's: not ours to keep
    KeepCurrent,  // an archive's: rewritten with it, so it never tells of the file it replaced
};

class ConvertOutput {
  public:
    // With options.keepSourceMetadata, `source`'s owner, permission bits and modification time go
    // over. Both names, the target's and its checksum file's, are checked before anything is
    // written.
    ConvertOutput(const std::string& targetPath, const RunOptions& options,
                  const FileStream& source, ChecksumBeside beside = ChecksumBeside::Ignore);

    FileStream& stream() noexcept { return fFile.stream(); }
    // False for a device or a pipe, which cannot be read back.
    bool readable() const noexcept { return !fFile.writesDirectly(); }
    // Gives the target and its checksum file their names, both or neither; returns the digest
    // if a checksum file was written.
    std::optional<std::string> commit();

  private:
    SafeOutputFile fFile;
    std::unique_ptr<Sha256> fHash;
    std::unique_ptr<SafeOutputFile> fChecksumFile;
};

}  // namespace kvo
