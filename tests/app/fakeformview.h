#pragma once
// A view for controller tests: it keeps what the controller shows, answers from queues and runs
// conversions at once on the calling thread.

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "answerqueue.h"
#include "app/formview.h"

namespace kvo::test {

struct Box {
    std::string text;
    std::string caption;
    bool operator==(const Box&) const = default;
};

class FakeFormView final : public FormView {
  public:
    // The next file dialog returns `path`; nullopt cancels it.
    void setNextFile(std::optional<std::string> path) { files_.push_back(std::move(path)); }
    void setNextAnswer(bool yes) { answers_.push_back(yes); }

    void showSummary(const std::vector<std::string>& lines) override { summary = lines; }
    void appendSummary(const std::string& line) override { summary.push_back(line); }
    void showPassport(const std::vector<std::string>& lines) override { passport = lines; }
    void fillBlockSizes(const std::vector<std::string>& items, bool enabled) override {
        blockSizes = items;
        selected = 0;
        blockSizesEnabled = enabled;
    }
    void enableBlockSizes(bool enabled) override { blockSizesEnabled = enabled; }
    std::string selectedBlockSize() const override {
        return selected < blockSizes.size() ? blockSizes[selected] : std::string();
    }
    void enableAction(FormAction action, bool enabled) override {
        (action == FormAction::Compress ? compressEnabled : restoreEnabled) = enabled;
    }
    void setProgressRange(std::int32_t maximum) override {
        progressMaximum = maximum;
        progress = 0;
    }
    void setProgress(std::int32_t position) override { progress = position; }
    std::optional<std::string> chooseFile(const std::string& filter) override {
        lastFilter = filter;
        return TakeNext(files_, std::optional<std::string>());
    }
    bool askYesNo(const std::string& text, const std::string& caption) override {
        questions.push_back({text, caption});
        return TakeNext(answers_, false);
    }
    void showMessage(const std::string& text, const std::string& caption) override {
        messages.push_back({text, caption});
    }
    void showError(const std::string& text) override { errors.push_back(text); }
    void showPassportWindow() override { ++passportShown; }
    void showAbout(const AboutLabels& labels) override { abouts.push_back(labels); }
    void beep() override { ++beeps; }
    ConvertReport runBlocked(const ConversionJob& job, const ProgressFn& showProgress) override {
        ++runs;
        if (duringRun) {
            duringRun();
        }
        return job(showProgress);
    }

    std::function<void()> duringRun;  // what else happens while a run goes on
    std::vector<std::string> summary;
    std::vector<std::string> passport{"Memo1"};
    std::vector<std::string> blockSizes;
    std::size_t selected = 0;
    bool blockSizesEnabled = false;
    bool compressEnabled = false;
    bool restoreEnabled = false;
    std::int32_t progressMaximum = 100;
    std::int32_t progress = 0;
    std::string lastFilter;
    std::vector<Box> questions;
    std::vector<Box> messages;
    std::vector<std::string> errors;
    int passportShown = 0;
    std::vector<AboutLabels> abouts;
    int beeps = 0;
    int runs = 0;

  private:
    std::deque<std::optional<std::string>> files_;
    std::deque<bool> answers_;
};

}  // namespace kvo::test
