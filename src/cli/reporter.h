#pragma once
// The messages kvox prints about one file.

#include <ostream>
#include <string>

#include "cli/filejob.h"
#include "cli/kvox.h"
#include "cli/options.h"
#include "cli/outputtext.h"
#include "cli/progressmeter.h"
#include "convert/convertfile.h"
#include "platform/filestream.h"
#include "platform/interruption.h"

namespace kvo::cli {

// The messages of one file: errors always, warnings unless -q, notes only with -v.
class Reporter {
  public:
    Reporter(const std::string& path, const Options& options, const Console& console)
        : fPath(path), fOptions(options), fConsole(console) {}

    Outcome fail(const std::string& message) const {
        print(message);
        return Outcome::Failed;
    }
    void warn(const std::string& message) {
        fWarned = true;
        if (fOptions.verbosity != Verbosity::Quiet) {
            print("предупреждение: " + message);
        }
    }
    // A finding the user must see whatever the verbosity.
    void report(const std::string& message) const { print(message); }
    // Part of the result: shown unless -q, and no warning.
    void say(const std::string& message) const {
        if (fOptions.verbosity != Verbosity::Quiet) {
            print(message);
        }
    }
    void note(const std::string& message) const {
        if (fOptions.verbosity == Verbosity::Verbose) {
            print(message);
        }
    }
    Outcome outcome() const { return fWarned ? Outcome::Warned : Outcome::Done; }
    bool showProgress() const {
        return fConsole.errIsTerminal && fOptions.verbosity != Verbosity::Quiet;
    }
    // Runs one job with a progress line that is gone before anything else is printed; the job
    // stops between blocks once the user has asked to.
    template <typename Run>
    auto withProgress(const FileStream& source, Run&& run) const {
        ProgressMeter meter(fConsole.err, showProgress(), VisibleText(source.path()),
                            source.size());
        return run(ProgressFn([&meter](std::uint64_t at) {
            ThrowIfInterrupted();
            meter.show(at);
        }));
    }

  private:
    // File names and what the system says about them may hold control characters.
    void print(const std::string& message) const {
        fConsole.err << "kvox: " << VisibleText(fPath) << ": " << VisibleText(message) << '\n';
    }

    const std::string& fPath;
    const Options& fOptions;
    const Console& fConsole;
    bool fWarned = false;
};

}  // namespace kvo::cli
