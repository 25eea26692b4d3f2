#pragma once
// The one error type of the file-level conversions.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kvo {

class ConvertError : public std::runtime_error {
  public:
    enum class Kind {
        Refused,       // the run cannot be done as asked; nothing was written
        Damaged,       // a compressed block does not restore; blockIndex() names it
        Io,            // a file could not be read or written
        Verification,  // a freshly compressed block or file did not read back; nothing was written
        ChecksumMismatch,  // a compressed file differs from its checksum file; nothing was written
    };

    // What the system said about a failed file operation (Io only).
    struct SystemCause {
        int errorCode = 0;  // errno, or 0 when there is none (a file shorter than expected)
        std::string path;   // the file concerned, when known
    };

    ConvertError(Kind kind, const std::string& message, std::uint64_t blockIndex = 0);
    ConvertError(const std::string& message, SystemCause cause);

    Kind kind() const noexcept { return fKind; }
    // Counted from 0; meaningful for Damaged only.
    std::uint64_t blockIndex() const noexcept { return fBlockIndex; }
    const SystemCause& systemCause() const noexcept { return fCause; }

  private:
    Kind fKind;
    std::uint64_t fBlockIndex;
    SystemCause fCause;
};

// Why a compressed block cannot be restored.
enum class BlockDamage {
    CutShort,       // its sections run past the end of the file
    NotRestorable,  // the codec rejects it
};

// The Damaged error for block `index` (counted from 0; the message counts from 1) of `path`, worded
// the same wherever a compressed file is read.
ConvertError DamagedBlockError(const std::string& path, std::uint64_t index, BlockDamage damage);
// The same with the reason in words ("не восстанавливается: ...").
ConvertError DamagedBlockError(const std::string& path, std::uint64_t index,
                               const std::string& why);

}  // namespace kvo
