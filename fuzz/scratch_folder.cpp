#include "scratch_folder.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace kvo::fuzz {
namespace fs = std::filesystem;
namespace {

// Under KVO_FUZZ_SCRATCH when the runner names a place (it removes what a crash leaves there).
fs::path MakeFolder() {
    const fs::path shm = "/dev/shm";
    std::error_code ignored;
    const char* runnerFolder = std::getenv("KVO_FUZZ_SCRATCH");
    const fs::path base = runnerFolder != nullptr          ? fs::path(runnerFolder)
                          : fs::is_directory(shm, ignored) ? shm
                                                           : fs::temp_directory_path();
    std::string pattern = (base / "kvo-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a scratch folder under " + base.string());
    }
    return pattern;
}

// Removes the folder at exit; a crashing run keeps it for a look at what was left.
struct OwnedFolder {
    fs::path path = MakeFolder();
    OwnedFolder() = default;
    OwnedFolder(const OwnedFolder&) = delete;
    OwnedFolder& operator=(const OwnedFolder&) = delete;
    ~OwnedFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

}  // namespace

const fs::path& ScratchFolder() {
    static const OwnedFolder folder;
    return folder.path;
}

void WriteFile(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ListFolder(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    std::string list;
    for (const auto& name : names) {
        list += name + " ";
    }
    return list;
}

}  // namespace kvo::fuzz
