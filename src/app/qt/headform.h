#pragma once
// THeadForm: the passport window. It only shows the lines the Open command writes into Memo1.

#include <QDialog>
#include <memory>

class QPlainTextEdit;

namespace Ui {
class THeadForm;
}

namespace kvo {

class THeadForm : public QDialog {
    Q_OBJECT
  public:
    explicit THeadForm(QWidget* parent = nullptr);
    ~THeadForm() override;

    QPlainTextEdit& Memo1() const;

  private:
    std::unique_ptr<Ui::THeadForm> ui_;
};

}  // namespace kvo
