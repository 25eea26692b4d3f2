#pragma once
// TAboutDlg: the about box. It shows the labels the controller read from the version resource.

#include <QDialog>
#include <memory>

#include "app/aboutlabels.h"

class QLabel;

namespace Ui {
class TAboutDlg;
}

namespace kvo {

class Desktop;

class TAboutDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TAboutDlg(Desktop& desktop, QWidget* parent = nullptr);
    ~TAboutDlg() override;

    // Writes the labels that have a text and shows the box modally.
    void Show(const AboutLabels& labels);

    QLabel& label(int number) const;  // Label1 .. Label6

  private:
    static constexpr int kDesignedWidth = 461;
    static constexpr int kRightMargin = 12;  // as right of the OK button

    void fitLabels();

    Desktop& desktop_;
    std::unique_ptr<Ui::TAboutDlg> ui_;
};

}  // namespace kvo
