#include "app/qt/headform.h"

#include "ui_headform.h"

namespace kvo {

THeadForm::THeadForm(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::THeadForm>()) {
    ui_->setupUi(this);
}

THeadForm::~THeadForm() = default;

QPlainTextEdit& THeadForm::Memo1() const {
    return *ui_->Memo1;
}

}  // namespace kvo
