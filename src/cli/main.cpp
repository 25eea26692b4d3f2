#include <unistd.h>

#include <iostream>

#include "cli/kvox.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return kvo::cli::RunKvox(
        args, {std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1, ::isatty(STDOUT_FILENO) == 1});
}
