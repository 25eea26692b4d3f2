#include "platform/opendialog.h"

#include <fnmatch.h>

#include <QPushButton>
#include <QStyle>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/codepage.h"
#include "platform/filename.h"
#include "platform/visibletext.h"

namespace kvo {
namespace {

namespace fs = std::filesystem;

constexpr int kPathRole = Qt::UserRole;

struct Entry {
    std::string name;
    bool folder = false;
};

// Folders first, then files, each by name; hidden names (starting with ".") are left out.
std::vector<Entry> listFolder(const std::string& folder) {
    std::vector<Entry> found;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        if (!name.starts_with('.')) {
            std::error_code ignored;
            found.push_back({std::move(name), it->is_directory(ignored)});
        }
    }
    std::sort(found.begin(), found.end(), [](const Entry& a, const Entry& b) {
        return a.folder != b.folder ? a.folder : a.name < b.name;
    });
    return found;
}

bool matches(const QStringList& patterns, const std::string& name) {
    return std::any_of(patterns.begin(), patterns.end(), [&](const QString& pattern) {
        return ::fnmatch(pattern.toStdString().c_str(), name.c_str(), 0) == 0;
    });
}

}  // namespace

OpenFileDialog::OpenFileDialog(QWidget* owner, const QString& filter, const std::string& folder)
    : QDialog(owner),
      filters_(filterEntries(filter)),
      layout_(this),
      buttons_(QDialogButtonBox::Open | QDialogButtonBox::Cancel) {
    setWindowTitle(QStringLiteral("Открыть файл"));
    path_.setObjectName(QStringLiteral("path"));
    entries_.setObjectName(QStringLiteral("entries"));
    filter_.setObjectName(QStringLiteral("filter"));
    for (const FilterEntry& entry : filters_) {
        filter_.addItem(entry.caption);
    }
    buttons_.button(QDialogButtonBox::Open)->setText(QStringLiteral("Открыть"));
    buttons_.button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    layout_.addWidget(&path_);
    layout_.addWidget(&entries_);
    layout_.addWidget(&filter_);
    layout_.addWidget(&buttons_);
    resize(560, 400);

    connect(&entries_, &QListWidget::itemActivated, this,
            [this](const QListWidgetItem* item) { openItem(item); });
    connect(&filter_, &QComboBox::currentIndexChanged, this, [this] { refill(); });
    // Open (or Enter, also in the path field) takes a path typed there, else the chosen entry.
    connect(&buttons_, &QDialogButtonBox::accepted, this, [this] {
        if (path_.text() != decodeFileName(folder_)) {
            open(encodeFileName(path_.text()));
        } else {
            openItem(entries_.currentItem());
        }
    });
    connect(&buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    showFolder(folder);
}

void OpenFileDialog::showFolder(const std::string& folder) {
    folder_ = fs::path(folder).lexically_normal().string();
    if (folder_.size() > 1 && folder_.ends_with('/')) {
        folder_.pop_back();
    }
    path_.setText(decodeFileName(folder_));
    refill();
}

void OpenFileDialog::refill() {
    entries_.clear();
    const auto index = static_cast<std::size_t>(filter_.currentIndex());
    const QStringList patterns = index < filters_.size() ? filters_[index].patterns : QStringList();
    if (folder_ != "/") {
        addEntry("..", true, fs::path(folder_).parent_path().string());
    }
    // The first file is chosen, so that Enter opens it rather than the folder above.
    int firstFile = -1;
    for (const Entry& entry : listFolder(folder_)) {
        if (entry.folder || matches(patterns, entry.name)) {
            if (!entry.folder && firstFile < 0) {
                firstFile = entries_.count();
            }
            addEntry(entry.name, entry.folder, (fs::path(folder_) / entry.name).string());
        }
    }
    entries_.setCurrentRow(std::max(firstFile, 0));
    entries_.setFocus();
}

// A name is shown as everywhere else, control characters and bytes that are not UTF-8 as
// visible escapes; a name that is not UTF-8 also tells its Windows-1251 reading.
void OpenFileDialog::addEntry(const std::string& name, bool folder, const std::string& path) {
    entries_.addItem(QString::fromStdString(VisibleText(name) + (folder ? "/" : "")));
    QListWidgetItem& item = *entries_.item(entries_.count() - 1);
    item.setIcon(style()->standardIcon(folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon));
    item.setData(kPathRole, decodeFileName(path));
    if (!IsUtf8(name)) {
        item.setToolTip(QStringLiteral("Windows-1251: ") +
                        QString::fromStdString(cp1251ToUtf8(name)));
    }
}

void OpenFileDialog::openItem(const QListWidgetItem* item) {
    if (item != nullptr) {
        open(encodeFileName(item->data(kPathRole).toString()));
    }
}

void OpenFileDialog::open(const std::string& path) {
    const fs::path full = fs::path(folder_) / path;  // a typed path may be relative
    std::error_code error;
    if (fs::is_directory(full, error)) {
        showFolder(full.string());
        return;
    }
    chosen_ = full.lexically_normal().string();
    accept();
}

}  // namespace kvo
