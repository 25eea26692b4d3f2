#include "cli/filejob.h"

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <iomanip>
#include <new>
#include <optional>
#include <sstream>

#include "cli/listing.h"
#include "cli/progressmeter.h"
#include "convert/convertfile.h"
#include "convert/inspect.h"
#include "convert/storedblocks.h"
#include "platform/interruption.h"
#include "platform/russiancount.h"
#include "platform/systemerror.h"

namespace kvo::cli {
namespace {

// The messages of one file: errors always, warnings unless -q, notes only with -v.
class Reporter {
  public:
    Reporter(const std::string& path, const Options& options, const Console& console)
        : fPath(path), fOptions(options), fConsole(console) {}

    Outcome fail(const std::string& message) const {
        fConsole.err << "kvox: " << fPath << ": " << message << '\n';
        return Outcome::Failed;
    }
    void warn(const std::string& message) {
        fWarned = true;
        if (fOptions.verbosity != Verbosity::Quiet) {
            fConsole.err << "kvox: " << fPath << ": предупреждение: " << message << '\n';
        }
    }
    void note(const std::string& message) const {
        if (fOptions.verbosity == Verbosity::Verbose) {
            fConsole.err << "kvox: " << fPath << ": " << message << '\n';
        }
    }
    Outcome outcome() const { return fWarned ? Outcome::Warned : Outcome::Done; }
    bool showProgress() const {
        return fConsole.errIsTerminal && fOptions.verbosity != Verbosity::Quiet;
    }
    std::ostream& terminal() const { return fConsole.err; }

  private:
    const std::string& fPath;
    const Options& fOptions;
    const Console& fConsole;
    bool fWarned = false;
};

std::optional<FileKind> KindOf(const std::string& path, Direction direction) {
    switch (direction) {
        case Direction::Compress:
            return FileKind::Recording;
        case Direction::Restore:
            return FileKind::Compressed;
        case Direction::ByExtension:
            break;
    }
    return fileKindOf(path);
}

// The other extension in place of the input's, or appended when the input has another one.
std::string OutputPathFor(const std::string& path, FileKind kind) {
    const std::string extension = kind == FileKind::Recording ? ".kvox" : ".kvo";
    return fileKindOf(path) == kind ? withExtension(path, extension) : path + extension;
}

// Shows the progress and stops the run, between blocks, once the user has asked to.
ProgressFn Watching(ProgressMeter& meter) {
    return [&meter](std::uint64_t at) {
        if (Interrupted()) {
            throw std::runtime_error("прервано");
        }
        meter.show(at);
    };
}

// Runs one conversion with a progress line that is gone before anything else is printed.
ConvertReport WithProgress(const Reporter& reporter, const FileStream& source,
                           const std::function<ConvertReport(const ProgressFn&)>& run) {
    ProgressMeter meter(reporter.terminal(), reporter.showProgress(), source.path(), source.size());
    return run(Watching(meter));
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

std::string Rate(std::uint64_t bytes, double seconds) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(1)
         << static_cast<double>(bytes) / (1024.0 * 1024.0) / std::max(seconds, 1e-6) << " МиБ/с";
    return text.str();
}

// The rate counts the bytes of the recording, compressed or restored.
void NoteResult(Reporter& reporter, const ConvertReport& report, std::uint64_t inputSize,
                std::uint64_t recordingSize, double seconds, const std::string& output) {
    std::ostringstream text;
    text << "-> " << output << ": " << inputSize << " -> "
         << CountOf(report.bytesWritten, kByteForms);
    if (inputSize != 0) {
        text << " (" << std::fixed << std::setprecision(1)
             << 100.0 * static_cast<double>(report.bytesWritten) / static_cast<double>(inputSize)
             << "%)";
    }
    text << ", " << CountOf(report.blocks, kBlockForms) << ", " << Rate(recordingSize, seconds);
    reporter.note(text.str());
}

Outcome Convert(FileStream& source, FileKind kind, const Options& options, unsigned threads,
                Reporter& reporter) {
    const std::string output = options.output.value_or(OutputPathFor(source.path(), kind));
    if (SameFile(source.path(), output)) {
        return reporter.fail("файл результата совпадает с исходным: " + output);
    }
    if (!options.force) {
        std::error_code error;
        const auto status = std::filesystem::symlink_status(output, error);
        if (status.type() == std::filesystem::file_type::none) {
            return reporter.fail("не удалось проверить файл " + output + ": " +
                                 SystemErrorText(error.value()));
        }
        if (std::filesystem::exists(status)) {
            return reporter.fail("файл " + output + " уже существует (заменить: -f)");
        }
    }
    const std::uint32_t passportLength = ReadPassportLength(source);
    const std::uint64_t inputSize = source.size();
    const auto started = std::chrono::steady_clock::now();
    const ConvertReport report = WithProgress(reporter, source, [&](const ProgressFn& progress) {
        if (kind == FileKind::Compressed) {
            return RestoreFile(source, passportLength, output, progress, threads);
        }
        const std::uint64_t dataSize = inputSize - passportLength;
        const BlockPlan plan = options.blockSize ? CoveringBlocks(dataSize, *options.blockSize)
                                                 : DefaultBlocks(dataSize);
        return CompressFile(source, passportLength, plan, output, progress, threads);
    });
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
    if (report.noData) {
        reporter.warn("файл не содержит данных: " + output + " содержит только паспорт");
    }
    if (report.droppedBytes != 0) {
        const std::uint64_t dropped = report.droppedBytes;
        reporter.warn(
            std::string(RussianPlural(dropped, {"последний", "последние", "последние"})) + " " +
            CountOf(dropped, kByteForms) + " (неполная запись) " +
            std::string(RussianPlural(dropped, {"не сохранён", "не сохранены", "не сохранены"})));
    }
    const std::uint64_t recordingSize =
        kind == FileKind::Recording ? report.bytesRead : report.bytesWritten;
    NoteResult(reporter, report, inputSize, recordingSize, seconds.count(), output);
    return reporter.outcome();
}

Outcome Test(FileStream& source, unsigned threads, Reporter& reporter) {
    const std::uint32_t passportLength = ReadPassportLength(source);
    const ConvertReport report = WithProgress(reporter, source, [&](const ProgressFn& progress) {
        return TestFile(source, passportLength, progress, threads);
    });
    reporter.note("в порядке: " + CountOf(report.blocks, kBlockForms));
    return reporter.outcome();
}

Outcome List(FileStream& source, FileKind kind, const Options& options, const Console& console,
             Reporter& reporter) {
    const Listing listing = ListFile(source, kind);
    if (options.json) {
        PrintListingJson(console.out, listing);
    } else {
        PrintListing(console.out, listing);
    }
    if (!console.out.flush()) {
        return reporter.fail("не удалось записать сводку в стандартный вывод");
    }
    if (listing.damaged) {
        return reporter.fail("файл поврежден: блок " + std::to_string(listing.damaged->index + 1) +
                             " " + listing.damaged->reason);
    }
    return reporter.outcome();
}

}  // namespace

Outcome ProcessFile(const std::string& path, const Options& options, unsigned threads,
                    const Console& console) {
    Reporter reporter(path, options, console);
    const auto kind = KindOf(path, options.direction);
    if (options.action == Action::Test && kind == FileKind::Recording) {
        return reporter.fail("проверяются только сжатые файлы (.kvox)");
    }
    if (!kind && options.action != Action::Test) {
        return reporter.fail("расширение не .kvo и не .kvox; направление задают -z или -d");
    }
    try {
        auto source = FileStream::OpenRead(path);
        switch (options.action) {
            case Action::List:
                return List(source, *kind, options, console, reporter);
            case Action::Test:
                return Test(source, threads, reporter);
            case Action::Convert:
                return Convert(source, *kind, options, threads, reporter);
        }
    } catch (const std::bad_alloc&) {
        return reporter.fail("недостаточно памяти");
    } catch (const std::exception& error) {
        // ConvertError and FileError name the file and the reason in Russian.
        return reporter.fail(error.what());
    }
    return Outcome::Failed;
}

}  // namespace kvo::cli
