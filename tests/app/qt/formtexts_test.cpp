// The Qt forms' designer texts are the windows' shared fixed texts: the Win32 view shows the
// table, so a form edited in the designer must not drift from it.

#include <gtest/gtest.h>

#include <QDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include "app/formtexts.h"
#include "apptesting.h"
#include "ui_aboutdlg.h"
#include "ui_headform.h"
#include "ui_kvocodecform.h"

namespace kvo::test {
namespace {

QString q(const char* text) {
    return QString::fromUtf8(text);
}

TEST(FormTexts, DesignerTextsAreTheSharedTable) {
    ensureApplication();
    namespace t = formtexts;
    QMainWindow main;
    Ui::TKVOCodecForm form;
    form.setupUi(&main);
    EXPECT_EQ(main.windowTitle(), q(t::kMainCaption));
    EXPECT_EQ(form.FileMenu->title(), q(t::kFileMenu));
    EXPECT_EQ(form.ActionsMenu->title(), q(t::kActionsMenu));
    EXPECT_EQ(form.ViewMenu->title(), q(t::kViewMenu));
    EXPECT_EQ(form.Action1->text(), q(t::kOpenItem));
    EXPECT_EQ(form.FileExit1->text(), q(t::kExitItem));
    EXPECT_EQ(form.CompressAction->text(), q(t::kCompressItem));
    EXPECT_EQ(form.RestoreAction->text(), q(t::kRestoreItem));
    EXPECT_EQ(form.HeadAction->text(), q(t::kHeadItem));
    EXPECT_EQ(form.Label1->text(), q(t::kBlockSizeLabel));
    EXPECT_EQ(form.Memo1->toPlainText(), q(t::kSummaryAtStart));

    QDialog head;
    Ui::THeadForm headForm;
    headForm.setupUi(&head);
    EXPECT_EQ(head.windowTitle(), q(t::kPassportCaption));
    EXPECT_EQ(headForm.Memo1->toPlainText(), q(t::kPassportAtStart));

    QDialog about;
    Ui::TAboutDlg aboutDlg;
    aboutDlg.setupUi(&about);
    EXPECT_EQ(about.windowTitle(), q(t::kAboutCaption));
    EXPECT_EQ(aboutDlg.OKBtn->text(), q(t::kAboutButton));
    const std::array<QLabel*, 6> labels{aboutDlg.Label1, aboutDlg.Label2, aboutDlg.Label3,
                                        aboutDlg.Label4, aboutDlg.Label5, aboutDlg.Label6};
    for (std::size_t i = 0; i < labels.size(); ++i) {
        EXPECT_EQ(labels[i]->text(), q(t::kAboutLabelsAtStart[i])) << i + 1;
    }
}

}  // namespace
}  // namespace kvo::test
