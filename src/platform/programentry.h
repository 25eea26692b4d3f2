#pragma once
// What a command-line program takes from the system when it starts: its arguments as UTF-8, and
// standard streams that carry bytes unchanged.

#include <string>
#include <vector>

namespace kvo {

// The arguments after the program's name, as UTF-8 whatever the system passes them in. On
// Windows they are taken from the UTF-16 command line, so any file name survives.
std::vector<std::string> ProgramArguments(int argc, const char* const* argv);

enum class StandardStream { Output, Error };

// Whether the stream is an interactive terminal (a console window on Windows).
bool IsTerminal(StandardStream stream);

// For the program's lifetime: standard input, output and error pass bytes unchanged (no line-end
// translation), and the UTF-8 messages show correctly in a console window.
class StandardStreams {
  public:
    StandardStreams();
    StandardStreams(const StandardStreams&) = delete;
    StandardStreams& operator=(const StandardStreams&) = delete;
    ~StandardStreams();

  private:
    // The console's, given back at the end; 0: none. Only Windows has one to keep.
    [[maybe_unused]] unsigned fPreviousOutputCodePage = 0;
};

}  // namespace kvo
