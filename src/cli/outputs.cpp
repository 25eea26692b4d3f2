#include "cli/outputs.h"

#include <algorithm>
#include <vector>

#include "convert/checksum.h"
#include "platform/safeoutput.h"

namespace kvo::cli {
namespace {

// Why an output path may not be written in this run, if it may not.
std::optional<std::string> OutputRefusal(const std::string& output, const FileStream& source,
                                         const RunContext& context) {
    const auto target = TargetIdentity(output);
    if (!target) {
        return std::nullopt;
    }
    const auto same = [&target](const FileIdentity& input) { return input.sameFile(*target); };
    const std::string shown = output == kStandardOutput ? kStandardOutputShown : output;
    if (same(source.identity())) {
        return "файл результата совпадает с исходным: " + shown;
    }
    if (std::any_of(context.inputs.begin(), context.inputs.end(), same)) {
        return "файл результата " + shown +
               " — один из входных файлов этого запуска, он не будет заменен";
    }
    return std::nullopt;
}

}  // namespace

std::string OutputFor(const FileStream& source, FileKind kind, const Options& options) {
    if (options.output) {
        return *options.output;
    }
    if (options.toStdout || source.path() == kStandardInput) {
        return kStandardOutput;
    }
    return counterpartPath(source.path(), kind);
}

std::optional<std::string> CheckOutput(const std::string& output, const FileStream& source,
                                       const RunContext& context, bool archive) {
    if (auto refusal = OutputRefusal(output, source, context)) {
        return refusal;
    }
    if (output == kStandardOutput || context.options.force) {
        return std::nullopt;
    }
    for (const std::string& path :
         archive ? std::vector{output, ChecksumPathFor(output)} : std::vector{output}) {
        if (TargetTaken(path)) {
            return "файл " + path + " уже существует (заменить: -f)";
        }
    }
    return std::nullopt;
}

RunOptions RunOptionsFor(const RunContext& context, bool checksum, const FileStream& source) {
    RunOptions run(context.threads);
    run.existingTarget = context.options.force ? ExistingTarget::Replace : ExistingTarget::Keep;
    run.verify = context.options.verify;
    run.checksum = checksum;
    run.keepSourceMetadata = source.path() != kStandardInput;
    return run;
}

}  // namespace kvo::cli
