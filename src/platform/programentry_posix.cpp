#include <unistd.h>

#include "platform/programentry.h"

namespace kvo {

std::vector<std::string> ProgramArguments(int argc, const char* const* argv) {
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
}

bool IsTerminal(StandardStream stream) {
    return ::isatty(stream == StandardStream::Output ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

// Bytes pass unchanged and terminals take UTF-8 already.
StandardStreams::StandardStreams() = default;
StandardStreams::~StandardStreams() = default;

}  // namespace kvo
