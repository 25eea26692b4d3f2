#pragma once
// TAboutDlg: the about box. Show reads the executable's version resource afresh each time.

#include <QDialog>
#include <QString>
#include <array>
#include <memory>
#include <stdexcept>
#include <string_view>

class QLabel;

namespace Ui {
class TAboutDlg;
}

namespace kvo {

class Desktop;
class VersionInfoFile;

// The version resource has no usable translation table.
class EReadError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The standard key names of a version resource's string table.
inline constexpr std::array<std::string_view, 12> VersionKeyNames{
    "Comments",     "CompanyName",    "FileDescription", "FileVersion",
    "InternalName", "LegalCopyright", "LegalTrademarks", "OriginalFilename",
    "ProductName",  "ProductVersion", "PrivateBuild",    "SpecialBuild",
};

class TAboutDlg : public QDialog {
    Q_OBJECT
  public:
    // `executablePath` names the file whose version resource is shown.
    TAboutDlg(Desktop& desktop, const VersionInfoFile& versionFile, QString executablePath,
              QWidget* parent = nullptr);
    ~TAboutDlg() override;

    // Fills the labels from the version resource and shows the box modally. Without a resource
    // nothing happens; without a translation table EReadError is thrown and the box stays hidden.
    void Show();

    QLabel& label(int number) const;  // Label1 .. Label6

  private:
    static constexpr int kDesignedWidth = 461;
    static constexpr int kRightMargin = 12;  // as right of the OK button

    void fitLabels();

    Desktop& desktop_;
    const VersionInfoFile& versionFile_;
    QString executablePath_;
    std::unique_ptr<Ui::TAboutDlg> ui_;
};

}  // namespace kvo
