#pragma once
// The command line of kvox.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace kvo::cli {

enum class Direction { ByExtension, Compress, Restore };
enum class Action { Convert, Test, List, Salvage };
enum class Verbosity { Quiet, Normal, Verbose };

struct Options {
    Action action = Action::Convert;
    Direction direction = Direction::ByExtension;
    std::optional<std::string> output;
    bool force = false;
    bool verify = true;      // --no-verify turns off reading back what compression wrote
    bool checksum = false;   // also write NAME.sha256
    bool toStdout = false;   // -c: the result goes to standard output
    bool recursive = false;  // -r: folders stand for the files below them
    std::optional<std::uint64_t> blockSize;
    bool json = false;
    unsigned threads = 0;  // 0: every core
    Verbosity verbosity = Verbosity::Normal;
    bool help = false;
    bool version = false;
    std::vector<std::string> files;
};

// What is wrong with the command line, in the words shown to the user.
struct UsageError {
    std::string message;
};

// args without the program name.
std::variant<Options, UsageError> ParseOptions(const std::vector<std::string>& args);

// Decimal bytes with an optional binary suffix k, m or g ("64m" is 64 MiB).
std::optional<std::uint64_t> ParseByteCount(const std::string& text);

}  // namespace kvo::cli
