#include "app/qt/aboutdlg.h"

#include <QLabel>
#include <algorithm>

#include "app/qt/artwork.h"
#include "platform/desktop.h"
#include "ui_aboutdlg.h"

namespace kvo {

TAboutDlg::TAboutDlg(Desktop& desktop, QWidget* parent)
    : QDialog(parent), desktop_(desktop), ui_(std::make_unique<Ui::TAboutDlg>()) {
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

void TAboutDlg::Show(const AboutLabels& labels) {
    for (std::size_t index = 0; index < labels.size(); ++index) {
        if (labels[index]) {
            label(static_cast<int>(index) + 1).setText(QString::fromStdString(*labels[index]));
        }
    }
    fitLabels();
    desktop_.runModal(*this);
}

}  // namespace kvo
