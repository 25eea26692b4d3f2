#include "cli/salvagejob.h"

#include "cli/outputs.h"
#include "cli/outputtext.h"
#include "convert/checksum.h"
#include "convert/salvagefile.h"
#include "convert/storedblocks.h"

namespace kvo::cli {
namespace {

std::string Describe(const SalvageGap& gap) {
    std::string text = "блок " + std::to_string(gap.block + 1) + " не восстановлен: байты " +
                       std::to_string(gap.fileStart) + ".." + std::to_string(gap.fileEnd) +
                       " сжатого файла; ";
    if (gap.filled) {
        return text + "записи " + std::to_string(gap.firstRecord + 1) + ".." +
               std::to_string(gap.firstRecord + gap.records) + " результата заполнены нулями";
    }
    return text + "пропущен, число его записей неизвестно: записи результата с № " +
           std::to_string(gap.firstRecord + 1) + " сдвинуты";
}

void PrintJson(std::ostream& out, const std::string& path, const std::string& output,
               const SalvageReport& report) {
    out << "{\"file\":" << JsonString(path) << ",\"output\":" << JsonString(output)
        << ",\"blocks_restored\":" << report.blocksRestored
        << ",\"records\":" << report.recordsWritten << ",\"gaps\":[";
    for (std::size_t i = 0; i < report.gaps.size(); ++i) {
        const SalvageGap& gap = report.gaps[i];
        out << (i == 0 ? "" : ",") << "{\"block\":" << gap.block + 1
            << ",\"file_start\":" << gap.fileStart << ",\"file_end\":" << gap.fileEnd
            << ",\"first_record\":" << gap.firstRecord + 1 << ",\"records\":" << gap.records
            << ",\"filled\":" << (gap.filled ? "true" : "false") << '}';
    }
    out << "]}\n";
}

// Salvage saves what it can whatever the checksum file says; what it says is a warning.
void WarnOfChecksum(FileStream& source, Reporter& reporter) {
    try {
        const auto expected = ReadChecksumFor(source);
        if (expected && Sha256Of(source) != *expected) {
            reporter.warn(ChecksumMismatchError(source.path()).what());
        }
    } catch (const ConvertError& error) {
        reporter.warn(error.what());
    }
}

}  // namespace

Outcome Salvage(FileStream& source, const RunContext& context, const Console& console,
                Reporter& reporter) {
    const Options& options = context.options;
    const std::string output = OutputFor(source, FileKind::Compressed, options);
    if (const auto refusal = CheckOutput(output, source, context, false)) {
        return reporter.fail(*refusal);
    }
    const std::uint32_t passportLength = ReadPassportLength(source);
    const SalvageReport report = reporter.withProgress(source, [&](const ProgressFn& progress) {
        return SalvageFile(source, passportLength, output, progress,
                           RunOptionsFor(context, false, source));
    });
    for (const SalvageGap& gap : report.gaps) {
        reporter.report(Describe(gap));
    }
    WarnOfChecksum(source, reporter);
    if (options.json) {
        PrintJson(console.out, source.path(), output, report);
    }
    reporter.note("-> " + output + ": блоков восстановлено " +
                  std::to_string(report.blocksRestored) + ", пробелов " +
                  std::to_string(report.gaps.size()));
    return report.gaps.empty() ? reporter.outcome() : Outcome::Warned;
}

}  // namespace kvo::cli
