#pragma once
// FormController: what the main window decides, free of any window toolkit. The handlers of
// Open, Compress, Restore and the passport window, the texts they show and the enabled states
// they leave; a view only shows and asks.

#include <string>

#include "app/formview.h"
#include "app/session.h"
#include "convert/passport_text.h"

namespace kvo {

class VersionInfoFile;

class FormController {
  public:
    // The window menu's about entry: its command id and its text.
    static constexpr int kAboutCommand = 731;
    static constexpr const char* kAboutEntry = "О программе..";

    // `formatDateTime` writes the passport's start time in the user's formats; the about box
    // shows the version resource of `executablePath`.
    FormController(FormView& view, DateTimeFormatter formatDateTime,
                   const VersionInfoFile& versionFile, std::string executablePath);

    // Puts the window in its start-up state: nothing held, the summary's first line, the
    // passport window's placeholder, an empty and disabled block size list, Compress and Restore
    // disabled, the progress bar at 0 of 100. Views call it once their controls exist.
    void start();

    // File / Open: closes what is held, asks for a file and opens it.
    void openCommand();
    // Opens the absolute `path` (a dropped file) as File / Open would. Refused while a command
    // runs.
    void openPath(const std::string& path);
    // Opens the program's argument: a relative name is taken from the working folder, and "."
    // and ".." are resolved in the name alone, as the shell that passed it would.
    void openArgument(const std::string& path);
    void compressCommand();
    void restoreCommand();
    void headCommand();
    // A window-menu command: the about entry opens the about box, other commands need nothing
    // from us.
    void systemCommand(int commandId);
    // The window is closing: nothing is held afterwards. True when it may close.
    bool closeQuery();
    void closed();

    bool commandRunning() const noexcept { return fCommandRunning; }
    const ConversionSession& session() const noexcept { return fSession; }

  private:
    // Runs a handler guarded; while it runs no other file is taken.
    void runWindowCommand(const std::function<void()>& command);
    void closeHeldFiles();
    void openChosen(const std::string& path);
    void showInspection(const FileInspection& found);
    void reportDroppedBytes(const ConvertReport& report);
    // Runs a conversion through the view, its progress on the progress bar.
    ConvertReport convert(const ConversionJob& job);

    // Runs a handler; an error that escapes it ends in the error box.
    void guarded(const std::function<void()>& command);

    FormView& fView;
    DateTimeFormatter fFormatDateTime;
    const VersionInfoFile& fVersionFile;
    std::string fExecutablePath;
    ConversionSession fSession;
    bool fCommandRunning = false;
};

}  // namespace kvo
