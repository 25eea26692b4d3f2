#include "cli/inputfiles.h"

#include <filesystem>

#include "cli/filejob.h"
#include "convert/inspect.h"
#include "platform/fspath.h"

namespace kvo::cli {
namespace {

namespace fs = std::filesystem;

// A file below a folder is taken when its extension fits the direction: .kvo to compress,
// .kvox to restore, either by extension; test and salvage take compressed files only.
bool Wanted(const std::string& file, const Options& options) {
    const auto kind = fileKindOf(file);
    if (!kind) {
        return false;
    }
    const bool compressedOnly = options.action == Action::Test || options.action == Action::Salvage;
    if (*kind == FileKind::Recording) {
        return !compressedOnly && options.direction != Direction::Restore;
    }
    return options.direction != Direction::Compress;
}

}  // namespace

std::variant<InputFileList, UsageError> InputFiles(const Options& options) {
    if (options.files.empty()) {
        if (options.direction == Direction::ByExtension || options.action != Action::Convert) {
            return UsageError{"не указаны файлы (стандартный ввод читается с -z или -d)"};
        }
        return InputFileList{{kStandardInputName}, {}};
    }
    FolderWalk walk([&options](const std::string& file) { return Wanted(file, options); });
    InputFileList list;
    for (const std::string& named : options.files) {
        std::error_code error;
        if (options.recursive && fs::is_directory(FsPath(named), error)) {
            const auto below = walk.filesBelow(named);
            list.files.insert(list.files.end(), below.begin(), below.end());
        } else {
            list.files.push_back(named);
        }
    }
    list.findings = walk.findings();
    return list;
}

}  // namespace kvo::cli
