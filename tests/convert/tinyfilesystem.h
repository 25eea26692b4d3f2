#pragma once
// A small file system of its own for a test, where the system and the test's rights allow one, so
// that a disk really runs full.

#include <filesystem>
#include <string>

namespace kvo::test {

class TinyFilesystem {
  public:
    // Mounts a file system of `size` (e.g. "16k") at `at` for the object's lifetime.
    TinyFilesystem(const std::filesystem::path& at, const std::string& size);
    TinyFilesystem(const TinyFilesystem&) = delete;
    TinyFilesystem& operator=(const TinyFilesystem&) = delete;
    ~TinyFilesystem();

    bool mounted() const { return fMounted; }
    const std::string& whyNot() const { return fWhyNot; }

  private:
    std::filesystem::path fPath;
    bool fMounted = false;
    std::string fWhyNot;
};

}  // namespace kvo::test
