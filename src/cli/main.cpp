#include <iostream>

#include "cli/kvox.h"
#include "platform/programentry.h"

int main(int argc, char** argv) {
    const kvo::StandardStreams streams;
    return kvo::cli::RunKvox(kvo::ProgramArguments(argc, argv),
                             {std::cout, std::cerr, kvo::IsTerminal(kvo::StandardStream::Error),
                              kvo::IsTerminal(kvo::StandardStream::Output)});
}
