#pragma once
// The open-file dialog. It lists a folder by the bytes of its names, so a file whose name is not
// UTF-8 (a Windows-1251 name copied from another machine) is listed and opens like any other,
// which Qt's own dialog cannot do; and it keeps nothing on disk: no history, no last folder.

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>
#include <optional>
#include <string>
#include <vector>

#include "platform/openfilter.h"

namespace kvo {

class OpenFileDialog final : public QDialog {
  public:
    // `filter` is "description|pattern|..." pairs; the first entry is in force at the start.
    // `folder` is the absolute folder shown first.
    OpenFileDialog(QWidget* owner, const QString& filter, const std::string& folder);

    // Lists `folder`: its subfolders, then the files that match the filter in force.
    void showFolder(const std::string& folder);
    const std::string& folder() const noexcept { return folder_; }
    // The file chosen when the dialog was accepted (its name's bytes as they are).
    const std::optional<std::string>& chosenFile() const noexcept { return chosen_; }

  private:
    void refill();
    void addEntry(const std::string& name, bool folder, const std::string& path);
    void open(const std::string& path);
    void openItem(const QListWidgetItem* item);

    std::vector<FilterEntry> filters_;
    std::string folder_;
    std::optional<std::string> chosen_;
    // Children of the dialog, declared after nothing they depend on; they go before it does.
    QVBoxLayout layout_;
    QLineEdit path_;
    QListWidget entries_;
    QComboBox filter_;
    QDialogButtonBox buttons_;
};

}  // namespace kvo
