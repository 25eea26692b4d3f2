#include "cli/folderwalk.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/filestream.h"
#include "platform/fspath.h"
#include "platform/systemerror.h"

namespace kvo::cli {
namespace {

namespace fs = std::filesystem;

std::string Unreadable(const std::error_code& error) {
    return "не удалось прочитать папку: " + SystemErrorText(error);
}

}  // namespace

FolderWalk::FolderWalk(std::function<bool(const std::string&)> wanted)
    : fWanted(std::move(wanted)) {}

std::vector<std::string> FolderWalk::filesBelow(const std::string& folder) {
    std::vector<std::string> files;
    const std::size_t firstFinding = fFindings.size();
    // Folders still to read, instead of recursion: the depth of a tree is not ours to choose.
    std::vector<std::string> pending{folder};
    while (!pending.empty()) {
        const std::string current = std::move(pending.back());
        pending.pop_back();
        if (firstVisit(current)) {
            readFolder(current, files, pending);
        }
    }
    std::sort(files.begin(), files.end());
    // The directory's own order is arbitrary; messages come in the order of the paths.
    std::stable_sort(fFindings.begin() + static_cast<std::ptrdiff_t>(firstFinding), fFindings.end(),
                     [](const WalkFinding& a, const WalkFinding& b) { return a.path < b.path; });
    return files;
}

bool FolderWalk::firstVisit(const std::string& folder) {
    // A folder that cannot even be looked at is reported when it is read.
    const auto identity = IdentityOf(folder);
    if (!identity || fWalked.insert({identity->device, identity->inode}).second) {
        return true;
    }
    fFindings.push_back({folder, "эта папка уже пройдена, пропущена"});
    return false;
}

void FolderWalk::readFolder(const std::string& folder, std::vector<std::string>& files,
                            std::vector<std::string>& pending) {
    std::error_code error;
    fs::directory_iterator it(FsPath(folder), error);
    for (const fs::directory_iterator end; !error && it != end; it.increment(error)) {
        take(Utf8Of(it->path()), files, pending);
    }
    if (error) {
        fFindings.push_back({folder, Unreadable(error), true});
    }
}

void FolderWalk::take(const std::string& path, std::vector<std::string>& files,
                      std::vector<std::string>& pending) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(FsPath(path), error);
    if (error) {
        fFindings.push_back(
            {path, "не удалось прочитать сведения о файле: " + SystemErrorText(error), true});
        return;
    }
    switch (status.type()) {
        case fs::file_type::directory:
            pending.push_back(path);
            return;
        case fs::file_type::regular:
            if (fWanted(path)) {
                files.push_back(path);
            }
            return;
        case fs::file_type::symlink:
            // A link may lead out of the tree or back up into it, so none is followed.
            if (fWanted(path) || fs::is_directory(FsPath(path), error)) {
                fFindings.push_back({path, "символическая ссылка не прослеживается, пропущена"});
            }
            return;
        default:
            if (fWanted(path)) {
                fFindings.push_back({path, "не обычный файл, пропущен"});
            }
            return;
    }
}

}  // namespace kvo::cli
