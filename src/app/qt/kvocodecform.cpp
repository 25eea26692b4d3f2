#include "app/qt/kvocodecform.h"

#include <QAbstractTextDocumentLayout>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "app/qt/aboutdlg.h"
#include "app/qt/backgroundrun.h"
#include "app/qt/headform.h"
#include "platform/desktop.h"
#include "platform/filename.h"
#include "platform/localeformat.h"
#include "ui_kvocodecform.h"

namespace kvo {
namespace {

QString qText(const std::string& text) {
    return QString::fromStdString(text);
}

QStringList qLines(const std::vector<std::string>& lines) {
    QStringList list;
    for (const std::string& line : lines) {
        list << qText(line);
    }
    return list;
}

std::string userDateTime(const CivilDateTime& value) {
    return formatUserDateTime(value).toStdString();
}

// The file a drag carries, when it carries exactly one local file. Its name is taken from the
// bytes the address spells, so a name that is not UTF-8 survives.
std::optional<QString> draggedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1 ||
        !data->urls().front().isLocalFile()) {
        return std::nullopt;
    }
    const QByteArray path =
        QByteArray::fromPercentEncoding(data->urls().front().path(QUrl::FullyEncoded).toLatin1());
    return decodeFileName(
        std::string_view(path.constData(), static_cast<std::size_t>(path.size())));
}

}  // namespace

TKVOCodecForm::TKVOCodecForm(Desktop& desktop, const VersionInfoFile& versionFile,
                             const QString& executablePath, QWidget* parent)
    : QMainWindow(parent),
      ui_(std::make_unique<Ui::TKVOCodecForm>()),
      fDesktop(desktop),
      fController(*this, userDateTime, versionFile, executablePath.toStdString()) {
    ui_->setupUi(this);
    // The designed font may be missing here; a wider stand-in must not cut the label short.
    ui_->Label1->adjustSize();
    connect(ui_->Action1, &QAction::triggered, this, [this] { fController.openCommand(); });
    connect(ui_->CompressAction, &QAction::triggered, this,
            [this] { fController.compressCommand(); });
    connect(ui_->RestoreAction, &QAction::triggered, this,
            [this] { fController.restoreCommand(); });
    connect(ui_->HeadAction, &QAction::triggered, this, [this] { fController.headCommand(); });
    connect(ui_->FileExit1, &QAction::triggered, this, &QWidget::close);
    FormCreate();
    // The other two windows come after the main window, in this order, as start-up has them.
    fHeadForm = std::make_unique<THeadForm>();
    fAboutDlg = std::make_unique<TAboutDlg>(desktop);
    // A file dropped anywhere opens; the summary box keeps taking dropped text.
    setAcceptDrops(true);
    ui_->Memo1->viewport()->installEventFilter(this);
    fSummaryHeight = ui_->Memo1->height();
    ui_->Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Lines wrap anew when the box is first laid out or its text is edited.
    connect(
        ui_->Memo1->document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged,
        this, [this] { fitSummary(); }, Qt::QueuedConnection);
    fController.start();
}

TKVOCodecForm::~TKVOCodecForm() = default;

void TKVOCodecForm::FormCreate() {
    // Window managers here offer no window menu to extend, so the about entry sits in the
    // window's context menus instead, including the one of the summary box.
    ui_->Memo1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui_->Memo1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const std::unique_ptr<QMenu> menu(ui_->Memo1->createStandardContextMenu());
        addAboutEntry(*menu);
        menu->exec(ui_->Memo1->mapToGlobal(at));
    });
}

void TKVOCodecForm::addAboutEntry(QMenu& menu) {
    menu.addSeparator();
    menu.addAction(QString::fromUtf8(FormController::kAboutEntry), this,
                   [this] { SystemMMenu(kAboutCommand); });
}

void TKVOCodecForm::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    addAboutEntry(menu);
    menu.exec(event->globalPos());
}

void TKVOCodecForm::SystemMMenu(int commandId) {
    fController.systemCommand(commandId);
}

void TKVOCodecForm::openFile(const QString& path) {
    fController.openArgument(encodeFileName(path));
}

bool TKVOCodecForm::takeFileDrop(QDropEvent& event) {
    const auto file = draggedFile(event.mimeData());
    if (!file) {
        return false;
    }
    // Drops still arrive while a conversion runs on its thread: refused, the file stays in use.
    if (fController.commandRunning()) {
        event.ignore();
        return true;
    }
    event.acceptProposedAction();
    if (event.type() == QEvent::Drop) {
        // Opened once the drop has ended, so that an error box does not hold up the file manager.
        QMetaObject::invokeMethod(
            this, [this, path = *file] { openFile(path); }, Qt::QueuedConnection);
    }
    return true;
}

void TKVOCodecForm::dragEnterEvent(QDragEnterEvent* event) {
    takeFileDrop(*event);
}

void TKVOCodecForm::dragMoveEvent(QDragMoveEvent* event) {
    takeFileDrop(*event);
}

void TKVOCodecForm::dropEvent(QDropEvent* event) {
    takeFileDrop(*event);
}

bool TKVOCodecForm::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) &&
        takeFileDrop(static_cast<QDropEvent&>(*event))) {
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TKVOCodecForm::showSummary(const std::vector<std::string>& lines) {
    ui_->Memo1->setPlainText(qLines(lines).join(QLatin1Char('\n')));
    fitSummary();
}

void TKVOCodecForm::appendSummary(const std::string& line) {
    ui_->Memo1->appendPlainText(qText(line));
    fitSummary();
}

void TKVOCodecForm::showPassport(const std::vector<std::string>& lines) {
    fHeadForm->Memo1().setPlainText(qLines(lines).join(QLatin1Char('\n')));
}

void TKVOCodecForm::fillBlockSizes(const std::vector<std::string>& items, bool enabled) {
    ui_->BlockSizeComboBox->clear();
    ui_->BlockSizeComboBox->addItems(qLines(items));
    ui_->BlockSizeComboBox->setCurrentIndex(0);
    ui_->BlockSizeComboBox->setEnabled(enabled);
}

void TKVOCodecForm::enableBlockSizes(bool enabled) {
    ui_->BlockSizeComboBox->setEnabled(enabled);
}

std::string TKVOCodecForm::selectedBlockSize() const {
    return ui_->BlockSizeComboBox->currentText().toStdString();
}

void TKVOCodecForm::enableAction(FormAction action, bool enabled) {
    (action == FormAction::Compress ? ui_->CompressAction : ui_->RestoreAction)
        ->setEnabled(enabled);
}

void TKVOCodecForm::setProgressRange(std::int32_t maximum) {
    ui_->ProgressBar1->setRange(0, maximum);
    ui_->ProgressBar1->setValue(0);
}

void TKVOCodecForm::setProgress(std::int32_t position) {
    ui_->ProgressBar1->setValue(position);
}

std::optional<std::string> TKVOCodecForm::chooseFile(const std::string& filter) {
    if (const auto chosen = fDesktop.chooseOpenFile(this, qText(filter))) {
        return encodeFileName(*chosen);
    }
    return std::nullopt;
}

bool TKVOCodecForm::askYesNo(const std::string& text, const std::string& caption) {
    return fDesktop.askYesNo(this, qText(text), qText(caption));
}

void TKVOCodecForm::showMessage(const std::string& text, const std::string& caption) {
    fDesktop.showMessage(this, qText(text), qText(caption));
}

void TKVOCodecForm::showError(const std::string& text) {
    fDesktop.showError(qText(text));
}

void TKVOCodecForm::showPassportWindow() {
    fDesktop.runModal(*fHeadForm);
}

void TKVOCodecForm::showAbout(const AboutLabels& labels) {
    fAboutDlg->Show(labels);
}

void TKVOCodecForm::beep() {
    fDesktop.beep();
}

ConvertReport TKVOCodecForm::runBlocked(const ConversionJob& job, const ProgressFn& showProgress) {
    return RunInBackground(job, showProgress);
}

void TKVOCodecForm::fitSummary() {
    // The summary box grows with its lines, so that a long path that wraps never pushes the last
    // lines out of sight; the progress bar below it and the window move with it. Only a box that
    // would not fit on the screen gets a scroll bar.
    QPlainTextEdit& box = *ui_->Memo1;
    const QTextDocument& document = *box.document();
    qreal contentHeight = 2 * document.documentMargin();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        contentHeight += document.documentLayout()->blockBoundingRect(block).height();
    }
    const int wanted = static_cast<int>(std::ceil(contentHeight)) + 2 * box.frameWidth();
    int grow = std::max(wanted - fSummaryHeight, 0);
    if (const QScreen* shownOn = screen()) {
        const int room = shownOn->availableGeometry().height() - frameGeometry().height() +
                         (box.height() - fSummaryHeight);
        grow = std::min(grow, std::max(room, 0));
    }
    const int change = fSummaryHeight + grow - box.height();
    if (change != 0) {
        box.resize(box.width(), fSummaryHeight + grow);
        ui_->ProgressBar1->move(ui_->ProgressBar1->x(), ui_->ProgressBar1->y() + change);
        resize(width(), height() + change);
    }
}

void TKVOCodecForm::closeEvent(QCloseEvent* event) {
    if (!fController.closeQuery()) {
        event->ignore();
        return;
    }
    fController.closed();
    event->accept();
}

}  // namespace kvo
