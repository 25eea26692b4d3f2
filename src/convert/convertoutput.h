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

class ConvertOutput {
  public:
    // With options.keepSourceMetadata, `source`'s owner, permission bits and modification time go
    // over.
    ConvertOutput(const std::string& targetPath, const RunOptions& options,
                  const FileStream& source);

    FileStream& stream() noexcept { return fFile.stream(); }
    // False for a device or a pipe, which cannot be read back.
    bool readable() const noexcept { return !fFile.writesDirectly(); }
    // Gives the target its name, then writes its checksum file; returns the digest if one was
    // asked for.
    std::optional<std::string> commit();

  private:
    SafeOutputFile fFile;
    ExistingTarget fExisting;
    std::unique_ptr<Sha256> fHash;
};

}  // namespace kvo
