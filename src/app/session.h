#pragma once
// What the main window holds between commands: the opened source file, the chosen path and what
// inspecting the file found. Plain C++, so the window's handlers stay thin.

#include <cstdint>
#include <optional>
#include <string>

#include "convert/convertfile.h"
#include "convert/inspect.h"
#include "platform/filestream.h"

namespace kvo {

class ConversionSession {
  public:
    // Opens and inspects `path`, read-only. On any error nothing is held and the error is passed
    // on.
    const FileInspection& open(const std::string& path, FileKind kind,
                               const DateTimeFormatter& formatDateTime);
    // Closes whatever is held.
    void close() noexcept;

    bool SourceClosed() const noexcept { return !SourceStream.has_value(); }
    bool TargetClosed() const noexcept { return fTargetClosed; }
    const FileInspection& inspection() const noexcept { return fInspection; }
    const std::string& sourcePath() const noexcept { return fChosenPath; }
    // The output path of the next run: the chosen path with the other extension.
    std::string targetPath() const;

    // Runs over the held source from its start, so a second run without a new open writes the
    // same file. Both need a held source of the matching kind (std::logic_error otherwise), and
    // refuse with ConvertError to replace an output the user may not write.
    ConvertReport compress(std::uint64_t blockSize, const ProgressFn& progress);
    ConvertReport restore(const ProgressFn& progress);

  private:
    FileStream& heldSource(FileKind kind);

    std::optional<FileStream> SourceStream;
    bool fTargetClosed = true;  // the output is held only while a run writes it
    std::string fChosenPath;
    FileInspection fInspection;
};

}  // namespace kvo
