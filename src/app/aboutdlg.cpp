#include "app/aboutdlg.h"

#include <QLabel>
#include <algorithm>
#include <cstdio>
#include <span>
#include <vector>

#include "app/artwork.h"
#include "platform/desktop.h"
#include "platform/versioninfofile.h"
#include "platform/versionresource.h"
#include "ui_aboutdlg.h"

namespace kvo {
namespace {

std::uint32_t dwordAt(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16)) |
           (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

QString versionNumbers(std::uint32_t ms, std::uint32_t ls) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(ms >> 16)
        .arg(ms & 0xFFFF)
        .arg(ls >> 16)
        .arg(ls & 0xFFFF);
}

std::string translationKey(std::span<const std::uint8_t> translation) {
    char key[9];
    std::snprintf(key, sizeof key, "%04X%04X", translation[0] | (translation[1] << 8),
                  translation[2] | (translation[3] << 8));
    return key;
}

}  // namespace

TAboutDlg::TAboutDlg(Desktop& desktop, const VersionInfoFile& versionFile, QString executablePath,
                     QWidget* parent)
    : QDialog(parent),
      desktop_(desktop),
      versionFile_(versionFile),
      executablePath_(std::move(executablePath)),
      ui_(std::make_unique<Ui::TAboutDlg>()) {
    ui_->setupUi(this);
    ui_->Image1->setPixmap(paintAboutPicture());
    setWindowIcon(paintApplicationIcon());
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
}

TAboutDlg::~TAboutDlg() = default;

QLabel& TAboutDlg::label(int number) const {
    const std::array<QLabel*, 6> labels{ui_->Label1, ui_->Label2, ui_->Label3,
                                        ui_->Label4, ui_->Label5, ui_->Label6};
    return *labels.at(static_cast<std::size_t>(number - 1));
}

void TAboutDlg::fitLabels() {
    // The labels size themselves to their texts; the box grows to the right to hold the widest,
    // keeping its designed width when they fit.
    int right = 0;
    for (int number = 1; number <= 6; ++number) {
        QLabel& shown = label(number);
        shown.adjustSize();
        right = std::max(right, shown.geometry().right() + 1);
    }
    setFixedWidth(std::max(kDesignedWidth, right + kRightMargin));
}

void TAboutDlg::Show() {
    const std::string path = executablePath_.toStdString();
    const std::uint32_t size = versionFile_.fileVersionInfoSize(path);
    if (size == 0) {
        return;
    }
    std::vector<std::uint8_t> block(size, 0);
    if (versionFile_.fileVersionInfo(path, block)) {
        std::span<const std::uint8_t> value;
        std::uint32_t length = 0;
        if (verQueryValue(block, "\\", value, length) && length >= 4 && value.size() >= 16) {
            ui_->Label6->setText(QStringLiteral("FileVersion :  ") +
                                 versionNumbers(dwordAt(value, 8), dwordAt(value, 12)));
        }
        if (!verQueryValue(block, "\\VarFileInfo\\Translation", value, length) || length < 4 ||
            value.size() < 4) {
            throw EReadError("Invalid language info in file " + path);
        }
        const std::string table = "StringFileInfo\\" + translationKey(value) + "\\";
        // A key missing from the table leaves its label as it was.
        const std::array<std::pair<std::string_view, QLabel*>, 5> shown{{
            {VersionKeyNames[1], ui_->Label1},
            {VersionKeyNames[8], ui_->Label2},
            {VersionKeyNames[10], ui_->Label3},
            {VersionKeyNames[9], ui_->Label4},
            {VersionKeyNames[2], ui_->Label5},
        }};
        for (const auto& [key, label] : shown) {
            if (verQueryValue(block, table + std::string(key), value, length)) {
                const std::u16string text = utf16TextAt(value);
                label->setText(QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size())) +
                               QStringLiteral(": ") + QString::fromStdU16String(text));
            }
        }
    }
    fitLabels();
    desktop_.runModal(*this);
}

}  // namespace kvo
