#include "cli/inputfiles.h"

#include <algorithm>
#include <filesystem>

#include "cli/filejob.h"
#include "convert/inspect.h"

namespace kvo::cli {
namespace {

namespace fs = std::filesystem;

// A file below a folder is taken when its extension fits the direction: .kvo to compress,
// .kvox to restore, either by extension; test and salvage take compressed files only.
bool Wanted(const fs::path& file, const Options& options) {
    const auto kind = fileKindOf(file.string());
    if (!kind) {
        return false;
    }
    const bool compressedOnly = options.action == Action::Test || options.action == Action::Salvage;
    if (*kind == FileKind::Recording) {
        return !compressedOnly && options.direction != Direction::Restore;
    }
    return options.direction != Direction::Compress;
}

// The files below `folder`, sorted, links not followed; errors reading it end the walk there.
std::vector<std::string> FilesBelow(const std::string& folder, const Options& options) {
    std::vector<std::string> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_regular_file(error) && !it->is_symlink(error) && Wanted(it->path(), options)) {
            files.push_back(it->path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

std::variant<std::vector<std::string>, UsageError> InputFiles(const Options& options) {
    if (options.files.empty()) {
        if (options.direction == Direction::ByExtension || options.action != Action::Convert) {
            return UsageError{"не указаны файлы (стандартный ввод читается с -z или -d)"};
        }
        return std::vector<std::string>{kStandardInputName};
    }
    std::vector<std::string> files;
    for (const std::string& named : options.files) {
        std::error_code error;
        if (options.recursive && fs::is_directory(named, error)) {
            const auto below = FilesBelow(named, options);
            files.insert(files.end(), below.begin(), below.end());
        } else {
            files.push_back(named);
        }
    }
    return files;
}

}  // namespace kvo::cli
