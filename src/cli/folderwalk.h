#pragma once
// The files below the folders kvox -r is given. Nothing below them is passed over without a
// word: what cannot be read is an error, what is left out on purpose (symbolic links, which are
// never followed, and files that are not regular) a warning, each naming its path. A folder met
// a second time (named twice, or mounted inside itself) is not walked again.

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace kvo::cli {

struct WalkFinding {
    std::string path;
    std::string message;
    bool error = false;  // something could not be read, rather than was left out on purpose
};

class FolderWalk {
  public:
    // `wanted` tells by its name whether a file is one to take.
    explicit FolderWalk(std::function<bool(const std::string&)> wanted);

    // The wanted regular files below `folder`, sorted; what the walk met meanwhile goes to
    // findings().
    std::vector<std::string> filesBelow(const std::string& folder);
    const std::vector<WalkFinding>& findings() const noexcept { return fFindings; }

  private:
    bool firstVisit(const std::string& folder);
    void readFolder(const std::string& folder, std::vector<std::string>& files,
                    std::vector<std::string>& pending);
    void take(const std::string& path, std::vector<std::string>& files,
              std::vector<std::string>& pending);

    std::function<bool(const std::string&)> fWanted;
    std::set<std::pair<std::uint64_t, std::uint64_t>> fWalked;  // device and inode
    std::vector<WalkFinding> fFindings;
};

}  // namespace kvo::cli
