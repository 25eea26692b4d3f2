#pragma once
// What the main window's controller asks of a window toolkit: show texts, fill the block size
// list, report progress, ask and tell the user, and run a conversion while input is blocked.
// Texts are UTF-8 and final: the view shows them as they are.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/aboutlabels.h"
#include "convert/convertfile.h"

namespace kvo {

enum class FormAction { Compress, Restore };

using ConversionJob = std::function<ConvertReport(const ProgressFn&)>;

class FormView {
  public:
    virtual ~FormView() = default;

    // The main window's summary box: all its lines, or one more line.
    virtual void showSummary(const std::vector<std::string>& lines) = 0;
    virtual void appendSummary(const std::string& line) = 0;
    // The passport window's lines.
    virtual void showPassport(const std::vector<std::string>& lines) = 0;
    // Replaces the block size list, selects its first item and enables or disables it.
    virtual void fillBlockSizes(const std::vector<std::string>& items, bool enabled) = 0;
    virtual void enableBlockSizes(bool enabled) = 0;
    virtual std::string selectedBlockSize() const = 0;
    virtual void enableAction(FormAction action, bool enabled) = 0;
    // The progress bar runs from 0 to `maximum`; setting the range puts it back to 0.
    virtual void setProgressRange(std::int32_t maximum) = 0;
    virtual void setProgress(std::int32_t position) = 0;

    // The open-file dialog with "description|pattern|..." pairs; the chosen path's bytes.
    virtual std::optional<std::string> chooseFile(const std::string& filter) = 0;
    // A Yes/No question; true for Yes.
    virtual bool askYesNo(const std::string& text, const std::string& caption) = 0;
    virtual void showMessage(const std::string& text, const std::string& caption) = 0;
    // The application's error box for an error that ended a command.
    virtual void showError(const std::string& text) = 0;
    virtual void showPassportWindow() = 0;
    // Writes the about box's labels that have a text and shows the box modally.
    virtual void showAbout(const AboutLabels& labels) = 0;
    virtual void beep() = 0;
    // Runs `job` to its end with the user's input blocked. Its progress reaches `showProgress` on
    // the view's own thread, as often as the view can show it and at the end the last position.
    // Returns what the job returns or passes on what it throws.
    virtual ConvertReport runBlocked(const ConversionJob& job, const ProgressFn& showProgress) = 0;
};

}  // namespace kvo
