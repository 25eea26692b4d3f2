#include "python/fileconvert.h"

#include <algorithm>
#include <filesystem>
#include <thread>

#include "convert/blockplan.h"
#include "convert/ioerrors.h"
#include "convert/storedblocks.h"

namespace kvo::python {
namespace {

[[noreturn]] void Refuse(const std::string& message) {
    throw ConvertError(ConvertError::Kind::Refused, message);
}

void CheckTarget(const ConversionRequest& request) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::equivalent(request.source, request.target, error)) {
        Refuse("Файл результата совпадает с исходным: " + request.target);
    }
    if (!request.replace && TargetTaken(request.target)) {
        Refuse("Файл " + request.target + " уже существует (заменить: overwrite=True)");
    }
}

BlockPlan PlanFor(std::uint64_t dataSize, const std::optional<std::uint64_t>& blockSize) {
    if (!blockSize) {
        return DefaultBlocks(dataSize);
    }
    // CompressFile refuses a block below the smallest in its own words.
    return *blockSize < kMinBlockSize ? EqualBlocks(dataSize, *blockSize)
                                      : CoveringBlocks(dataSize, *blockSize);
}

}  // namespace

ConvertReport RunConversion(const ConversionRequest& request) {
    CheckTarget(request);
    RunOptions options(request.threads != 0 ? request.threads
                                            : std::max(1u, std::thread::hardware_concurrency()));
    // Without overwrite, a target that appears meanwhile is kept too.
    options.existingTarget = request.replace ? ExistingTarget::Replace : ExistingTarget::Keep;
    return WithIoErrors([&] {
        auto source = FileStream::OpenRead(request.source);
        const std::uint32_t passportLength = ReadPassportLength(source);
        if (request.direction == Direction::Restore) {
            return RestoreFile(source, passportLength, request.target, request.progress, options);
        }
        const BlockPlan plan = PlanFor(source.size() - passportLength, request.blockSize);
        return CompressFile(source, passportLength, plan, request.target, request.progress,
                            options);
    });
}

}  // namespace kvo::python
