#pragma once
// The main window's controller over a recording view, and the steps the tests take with it.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/formcontroller.h"
#include "fakeformview.h"
#include "testfiles.h"
#include "versionfiles.h"

namespace kvo::test {

using Lines = std::vector<std::string>;

inline const std::string kStartTime = "09.04.1900 00:00:00";
inline const std::string kPromptCaption = "Replace living File?";

struct Form {
    explicit Form(const VersionInfoFile& versionFile = noVersionFile())
        : controller(
              view, [](const CivilDateTime&) { return kStartTime; }, versionFile,
              "/opt/kvo/kvocodec") {}

    FakeFormView view;
    FormController controller;

    void open(const std::filesystem::path& path) {
        view.setNextFile(path.string());
        controller.openCommand();
    }
    void select(const std::string& item) {
        const auto found = std::find(view.blockSizes.begin(), view.blockSizes.end(), item);
        ASSERT_NE(found, view.blockSizes.end()) << item;
        view.selected = static_cast<std::size_t>(found - view.blockSizes.begin());
    }
    // Opens `path`, picks `item` (if given) and answers the prompt with `yes`.
    void compress(const std::filesystem::path& path, const std::string& item, bool yes = true) {
        open(path);
        if (!item.empty()) {
            select(item);
        }
        view.setNextAnswer(yes);
        controller.compressCommand();
    }
    void restore(const std::filesystem::path& path, bool yes = true) {
        open(path);
        view.setNextAnswer(yes);
        controller.restoreCommand();
    }
};

inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace kvo::test
