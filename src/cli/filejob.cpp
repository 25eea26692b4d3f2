#include "cli/filejob.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <iomanip>
#include <new>
#include <optional>
#include <sstream>

#include "cli/listing.h"
#include "cli/outputs.h"
#include "cli/progressmeter.h"
#include "cli/reporter.h"
#include "cli/salvagejob.h"
#include "convert/checksum.h"
#include "convert/convertfile.h"
#include "convert/inspect.h"
#include "convert/storedblocks.h"
#include "platform/fspath.h"
#include "platform/interruption.h"
#include "platform/russiancount.h"
#include "platform/systemerror.h"

namespace kvo::cli {
namespace {

namespace fs = std::filesystem;

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

Outcome Convert(FileStream& source, FileKind kind, const RunContext& context, Reporter& reporter) {
    const Options& options = context.options;
    const std::string output = OutputFor(source, kind, options);
    // Only compression writes a checksum file; a restore asked for one would silently not.
    if (options.checksum && kind == FileKind::Compressed) {
        return reporter.fail("--checksum записывает контрольную сумму только при сжатии, а файл " +
                             source.path() + " восстанавливается");
    }
    const bool checksum = options.checksum;
    if (const auto refusal = CheckOutput(output, source, context, kind == FileKind::Recording)) {
        return reporter.fail(*refusal);
    }
    if (output == kStandardOutput && kind == FileKind::Recording && context.stdoutIsTerminal) {
        return reporter.fail(
            "сжатые данные не выводятся на терминал: перенаправьте вывод или "
            "укажите -o");
    }
    const RunOptions run = RunOptionsFor(context, checksum, source);
    const std::uint32_t passportLength = ReadPassportLength(source);
    const std::uint64_t inputSize = source.size();
    const auto started = std::chrono::steady_clock::now();
    const ConvertReport report = reporter.withProgress(source, [&](const ProgressFn& progress) {
        if (kind == FileKind::Compressed) {
            return RestoreFile(source, passportLength, output, progress, run);
        }
        const std::uint64_t dataSize = inputSize - passportLength;
        // From a pipe the size is not known in advance: blocks of the asked or the largest size.
        const bool piped = source.path() == kStandardInput;
        const BlockPlan plan =
            options.blockSize || piped
                ? CoveringBlocks(dataSize, options.blockSize.value_or(kDefaultMaxBlockSize))
                : DefaultBlocks(dataSize);
        return CompressFile(source, passportLength, plan, output, progress, run);
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
    const ConvertReport report = reporter.withProgress(source, [&](const ProgressFn& progress) {
        return TestFile(source, passportLength, progress, threads);
    });
    if (report.checksumMatched) {
        reporter.note("контрольная сумма SHA-256 совпадает");
    } else {
        reporter.say("проверена только структура блоков: файла " + ChecksumPathFor(source.path()) +
                     " нет");
    }
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

bool IsFolder(const std::string& path) {
    std::error_code error;
    return path != kStandardInputName && fs::is_directory(FsPath(path), error);
}

// A file taken as compressed only because -d said so (or read from a pipe) whose data do not
// open with a block: a recording, not damage. Salvage looks for blocks wherever they are.
bool NotCompressedAfterAll(FileStream& source, FileKind kind, Action action) {
    return kind == FileKind::Compressed && action != Action::Salvage &&
           fileKindOf(source.path()) != FileKind::Compressed &&
           !OpensWithStoredBlock(source, ReadPassportLength(source));
}

}  // namespace

Outcome ProcessFile(const std::string& path, const RunContext& context, const Console& console) {
    const Options& options = context.options;
    Reporter reporter(path, options, console);
    if (IsFolder(path)) {
        return reporter.fail("это папка; файлы .kvo и .kvox в папках обрабатывает -r");
    }
    const auto kind = KindOf(path, options.direction);
    const bool compressedOnly = options.action == Action::Test || options.action == Action::Salvage;
    if (compressedOnly && kind == FileKind::Recording) {
        return reporter.fail(options.action == Action::Test
                                 ? "проверяются только сжатые файлы (.kvox)"
                                 : "спасаются только сжатые файлы (.kvox)");
    }
    if (!kind && !compressedOnly) {
        return reporter.fail("расширение не .kvo и не .kvox; направление задают -z или -d");
    }
    // Test and salvage take any other name as a compressed file.
    const FileKind taken = kind.value_or(FileKind::Compressed);
    try {
        auto source = path == kStandardInputName ? FileStream::SpoolStandardInput(TemporaryFolder())
                                                 : FileStream::OpenRead(path);
        if (NotCompressedAfterAll(source, taken, options.action)) {
            return reporter.fail(
                "не сжатый файл: данные за паспортом не начинаются со сжатого блока; запись .kvo "
                "сжимается без -d");
        }
        switch (options.action) {
            case Action::List:
                return List(source, taken, options, console, reporter);
            case Action::Test:
                return Test(source, context.threads, reporter);
            case Action::Salvage:
                return Salvage(source, context, console, reporter);
            case Action::Convert:
                return Convert(source, taken, context, reporter);
        }
    } catch (const std::bad_alloc&) {
        return reporter.fail(
            "недостаточно памяти для блоков этого размера: задайте меньший "
            "размер блока (-b) или меньше потоков (-T); ничего не записано");
    } catch (const std::exception& error) {
        // ConvertError and FileError name the file and the reason in Russian.
        return reporter.fail(error.what());
    }
    return Outcome::Failed;
}

}  // namespace kvo::cli
