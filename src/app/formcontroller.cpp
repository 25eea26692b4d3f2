#include "app/formcontroller.h"

#include <charconv>
#include <filesystem>
#include <system_error>

#include "app/commandguard.h"
#include "app/formtexts.h"
#include "convert/converterror.h"
#include "platform/fspath.h"
#include "platform/russiancount.h"
#include "platform/visibletext.h"

namespace kvo {
namespace {

// The second description carries a Cyrillic "х" (U+0445); the pattern a Latin "x".
constexpr const char* kOpenFilter =
    "Noncompressed files(*.kvo)|*.kvo| Compressed files(*.kvo\u0445)|*.kvox|All files(*.*)|*.*";
constexpr const char* kReplacePrompt = "Replace living File?";
constexpr std::int32_t kProgressAtStart = 100;

// Texts from the file and its name are shown with their control characters and stray bytes as
// visible escapes, so that a crafted passport or name cannot break or forge a line.
std::vector<std::string> shownLines(const std::vector<std::string>& lines) {
    std::vector<std::string> shown;
    shown.reserve(lines.size());
    for (const std::string& line : lines) {
        shown.push_back(VisibleText(line));
    }
    return shown;
}

// The list holds decimal items only; anything else reads as 0, which the run refuses.
std::uint64_t selectedSize(const std::string& item) {
    std::uint64_t size = 0;
    const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), size);
    return error == std::errc{} && end == item.data() + item.size() ? size : 0;
}

// The argument made absolute without touching the file system beyond the working folder:
// symbolic links stay as named.
std::string absoluteArgument(const std::string& path) {
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(FsPath(path), error);
    if (error) {
        return path;
    }
    full = full.lexically_normal();
    // "dir/.." leaves a trailing separator: the folder is named without it.
    if (!full.has_filename() && full.has_relative_path()) {
        full = full.parent_path();
    }
    return Utf8Of(full);
}

// Sets a flag for the length of a command.
class Running {
  public:
    explicit Running(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
    ~Running() { flag_ = was_; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

  private:
    bool& flag_;
    bool was_;
};

}  // namespace

FormController::FormController(FormView& view, DateTimeFormatter formatDateTime,
                               const VersionInfoFile& versionFile, std::string executablePath)
    : fView(view),
      fFormatDateTime(std::move(formatDateTime)),
      fVersionFile(versionFile),
      fExecutablePath(std::move(executablePath)) {
    fSession.close();
}

void FormController::guarded(const std::function<void()>& command) {
    runCommand([this](const std::string& text) { fView.showError(text); }, command);
}

void FormController::runWindowCommand(const std::function<void()>& command) {
    const Running running(fCommandRunning);
    guarded(command);
}

void FormController::start() {
    fView.showSummary({formtexts::kSummaryAtStart});
    fView.showPassport({formtexts::kPassportAtStart});
    fView.fillBlockSizes({}, false);
    fView.enableAction(FormAction::Compress, false);
    fView.enableAction(FormAction::Restore, false);
    fView.setProgressRange(kProgressAtStart);
}

void FormController::openCommand() {
    runWindowCommand([this] {
        closeHeldFiles();
        if (const auto chosen = fView.chooseFile(kOpenFilter)) {
            openChosen(*chosen);
        }
    });
}

void FormController::openPath(const std::string& path) {
    if (fCommandRunning) {
        return;
    }
    runWindowCommand([this, &path] {
        closeHeldFiles();
        openChosen(path);
    });
}

void FormController::openArgument(const std::string& path) {
    openPath(absoluteArgument(path));
}

void FormController::closeHeldFiles() {
    // Nothing is held from here on until a file has been opened and inspected.
    fSession.close();
    fView.enableAction(FormAction::Compress, false);
    fView.enableAction(FormAction::Restore, false);
}

void FormController::openChosen(const std::string& path) {
    if (const auto kind = fileKindOf(path)) {
        showInspection(fSession.open(path, *kind, fFormatDateTime));
    }
}

void FormController::showInspection(const FileInspection& found) {
    const bool recording = found.kind == FileKind::Recording;
    fView.showPassport(shownLines(found.passportLines));
    fView.showSummary(shownLines(found.summaryLines));
    std::vector<std::string> items;
    items.reserve(found.blockSizes.size());
    for (const std::uint64_t size : found.blockSizes) {
        items.push_back(std::to_string(size));
    }
    fView.fillBlockSizes(items, recording);
    fView.enableAction(FormAction::Compress, recording);
    fView.enableAction(FormAction::Restore, !recording);
    fView.setProgressRange(static_cast<std::int32_t>(found.fileSize));
}

void FormController::reportDroppedBytes(const ConvertReport& report) {
    if (report.droppedBytes != 0) {
        const std::uint64_t dropped = report.droppedBytes;
        fView.appendSummary(
            std::string(RussianPlural(dropped, {"Не записан последний", "Не записаны последние",
                                                "Не записаны последние"})) +
            " " + CountOf(dropped, kByteForms) + " данных (неполная запись)");
    }
}

ConvertReport FormController::convert(const ConversionJob& job) {
    // The bar counts source bytes; files beyond the signed 32-bit range are refused on opening.
    return fView.runBlocked(
        job, [this](std::uint64_t at) { fView.setProgress(static_cast<std::int32_t>(at)); });
}

void FormController::compressCommand() {
    runWindowCommand([this] {
        const std::uint64_t blockSize = selectedSize(fView.selectedBlockSize());
        if (fView.askYesNo(VisibleText(fSession.targetPath()), kReplacePrompt)) {
            const ConvertReport report = convert([this, blockSize](const ProgressFn& progress) {
                return fSession.compress(blockSize, progress);
            });
            if (report.noData) {
                fView.showMessage("Файл не содержит данных", "Ошибка");
            }
            reportDroppedBytes(report);
        }
        fView.enableBlockSizes(false);
    });
}

void FormController::restoreCommand() {
    runWindowCommand([this] {
        if (fView.askYesNo(VisibleText(fSession.targetPath()), kReplacePrompt)) {
            try {
                convert([this](const ProgressFn& progress) { return fSession.restore(progress); });
            } catch (const ConvertError& error) {
                if (error.kind() == ConvertError::Kind::ChecksumMismatch) {
                    fView.appendSummary(VisibleText(error.what()));
                } else if (error.kind() == ConvertError::Kind::Damaged) {
                    fView.appendSummary("Поврежден блок " + std::to_string(error.blockIndex() + 1) +
                                        "; уцелевшие блоки сохранит команда kvox --salvage " +
                                        VisibleText(fSession.sourcePath()));
                } else {
                    throw;
                }
                fView.showMessage("распаковка не состоялась", "файл поврежден");
            }
        }
        fView.enableBlockSizes(false);
    });
}

void FormController::headCommand() {
    runWindowCommand([this] { fView.showPassportWindow(); });
}

void FormController::systemCommand(int commandId) {
    if (commandId != kAboutCommand) {
        return;
    }
    guarded([this] {
        if (const auto labels = readAboutLabels(fVersionFile, fExecutablePath)) {
            fView.showAbout(*labels);
        }
    });
}

bool FormController::closeQuery() {
    fSession.close();
    return fSession.SourceClosed() && fSession.TargetClosed();
}

void FormController::closed() {
    fView.beep();
}

}  // namespace kvo
