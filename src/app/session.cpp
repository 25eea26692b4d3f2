#include "app/session.h"

#include <stdexcept>

#include "convert/converterror.h"
#include "platform/writeaccess.h"

namespace kvo {
namespace {

// Marks the output as held for the length of a run.
class TargetHeld {
  public:
    explicit TargetHeld(bool& closed) : closed_(closed) { closed_ = false; }
    ~TargetHeld() { closed_ = true; }
    TargetHeld(const TargetHeld&) = delete;
    TargetHeld& operator=(const TargetHeld&) = delete;

  private:
    bool& closed_;
};

// The window replaces its output only where the user may write: a file that is read-only is
// kept, although the new output is renamed over it and the folder would allow that.
void requireReplaceable(const std::string& target) {
    if (!MayWrite(target)) {
        throw ConvertError(ConvertError::Kind::Refused, WriteProtectedText(target));
    }
}

}  // namespace

const FileInspection& ConversionSession::open(const std::string& path, FileKind kind,
                                              const DateTimeFormatter& formatDateTime) {
    close();
    FileStream source = FileStream::OpenRead(path);
    fInspection = inspectFile(source, kind, formatDateTime);
    SourceStream = std::move(source);
    fChosenPath = path;
    return fInspection;
}

void ConversionSession::close() noexcept {
    SourceStream.reset();
    fTargetClosed = true;
}

std::string ConversionSession::targetPath() const {
    return counterpartPath(fChosenPath, fInspection.kind);
}

FileStream& ConversionSession::heldSource(FileKind kind) {
    if (!SourceStream || fInspection.kind != kind) {
        throw std::logic_error("Нет открытого файла для этой команды");
    }
    return *SourceStream;
}

ConvertReport ConversionSession::compress(std::uint64_t blockSize, const ProgressFn& progress) {
    FileStream& source = heldSource(FileKind::Recording);
    requireReplaceable(targetPath());
    const TargetHeld held(fTargetClosed);
    const auto dataSize = static_cast<std::uint64_t>(fInspection.dataSize);
    return CompressFile(source, fInspection.passportLength, EqualBlocks(dataSize, blockSize),
                        targetPath(), progress);
}

ConvertReport ConversionSession::restore(const ProgressFn& progress) {
    FileStream& source = heldSource(FileKind::Compressed);
    requireReplaceable(targetPath());
    const TargetHeld held(fTargetClosed);
    return RestoreFile(source, fInspection.passportLength, targetPath(), progress);
}

}  // namespace kvo
