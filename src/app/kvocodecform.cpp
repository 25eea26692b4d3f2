#include "app/kvocodecform.h"

#include <QAbstractTextDocumentLayout>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QScreen>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <optional>

#include "app/aboutdlg.h"
#include "app/backgroundrun.h"
#include "app/commandguard.h"
#include "app/headform.h"
#include "platform/desktop.h"
#include "platform/filename.h"
#include "platform/localeformat.h"
#include "platform/russiancount.h"
#include "platform/visibletext.h"
#include "ui_kvocodecform.h"

namespace kvo {
namespace {

// The second description carries a Cyrillic "х" (U+0445); the pattern a Latin "x".
const QString kOpenFilter = QStringLiteral(
    "Noncompressed files(*.kvo)|*.kvo| Compressed files(*.kvo\u0445)|*.kvox|All files(*.*)|*.*");
const QString kReplacePrompt = QStringLiteral("Replace living File?");

// Texts from the file and its name are shown with their control characters and stray bytes as
// visible escapes, so that a crafted passport or name cannot break or forge a line.
QString shown(std::string_view text) {
    return QString::fromStdString(VisibleText(text));
}

QString joinLines(const std::vector<std::string>& lines) {
    QStringList list;
    for (const std::string& line : lines) {
        list << shown(line);
    }
    return list.join(QLatin1Char('\n'));
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
                             QString executablePath, QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::TKVOCodecForm>()), fDesktop(desktop) {
    ui_->setupUi(this);
    // The designed font may be missing here; a wider stand-in must not cut the label short.
    ui_->Label1->adjustSize();
    bind(ui_->Action1, &TKVOCodecForm::OpenkvoExecute);
    bind(ui_->CompressAction, &TKVOCodecForm::CompressActionExecute);
    bind(ui_->RestoreAction, &TKVOCodecForm::RestoreActionExecute);
    bind(ui_->HeadAction, &TKVOCodecForm::HeadActionExecute);
    connect(ui_->FileExit1, &QAction::triggered, this, &QWidget::close);
    FormCreate();
    // The other two windows come after the main window, in this order, as start-up has them.
    fHeadForm = std::make_unique<THeadForm>();
    fAboutDlg = std::make_unique<TAboutDlg>(desktop, versionFile, std::move(executablePath));
    // A file dropped anywhere opens; the summary box keeps taking dropped text.
    setAcceptDrops(true);
    ui_->Memo1->viewport()->installEventFilter(this);
    fSummaryHeight = ui_->Memo1->height();
    ui_->Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Lines wrap anew when the box is first laid out or its text is edited.
    connect(
        ui_->Memo1->document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged,
        this, [this] { fitSummary(); }, Qt::QueuedConnection);
}

TKVOCodecForm::~TKVOCodecForm() = default;

void TKVOCodecForm::bind(QAction* action, void (TKVOCodecForm::*handler)()) {
    connect(action, &QAction::triggered, this,
            [this, handler] { runWindowCommand([this, handler] { (this->*handler)(); }); });
}

void TKVOCodecForm::runWindowCommand(const std::function<void()>& command) {
    const QScopedValueRollback<bool> running(fCommandRunning, true);
    runCommand(fDesktop, command);
}

void TKVOCodecForm::FormCreate() {
    fSession.close();
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
    menu.addAction(QStringLiteral("О программе.."), this, [this] { SystemMMenu(kAboutCommand); });
}

void TKVOCodecForm::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    addAboutEntry(menu);
    menu.exec(event->globalPos());
}

void TKVOCodecForm::SystemMMenu(int commandId) {
    if (commandId == kAboutCommand) {
        runCommand(fDesktop, [this] { fAboutDlg->Show(); });
    }
}

void TKVOCodecForm::OpenkvoExecute() {
    closeHeldFiles();
    if (const auto chosen = fDesktop.chooseOpenFile(this, kOpenFilter)) {
        openChosen(*chosen);
    }
}

void TKVOCodecForm::openFile(const QString& path) {
    if (fCommandRunning) {
        return;
    }
    runWindowCommand([this, &path] {
        closeHeldFiles();
        openChosen(QFileInfo(path).absoluteFilePath());
    });
}

void TKVOCodecForm::closeHeldFiles() {
    // Nothing is held from here on until a file has been opened and inspected.
    fSession.close();
    ui_->CompressAction->setEnabled(false);
    ui_->RestoreAction->setEnabled(false);
}

void TKVOCodecForm::openChosen(const QString& path) {
    const std::string chosen = encodeFileName(path);
    if (const auto kind = fileKindOf(chosen)) {
        showInspection(fSession.open(chosen, *kind, userDateTime));
    }
}

bool TKVOCodecForm::takeFileDrop(QDropEvent& event) {
    const auto file = draggedFile(event.mimeData());
    if (!file) {
        return false;
    }
    // Drops still arrive while a conversion runs on its thread: refused, the file stays in use.
    if (fCommandRunning) {
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

void TKVOCodecForm::showInspection(const FileInspection& found) {
    const bool recording = found.kind == FileKind::Recording;
    fHeadForm->Memo1().setPlainText(joinLines(found.passportLines));
    ui_->Memo1->setPlainText(joinLines(found.summaryLines));
    fitSummary();
    ui_->BlockSizeComboBox->clear();
    for (const std::uint64_t size : found.blockSizes) {
        ui_->BlockSizeComboBox->addItem(QString::number(size));
    }
    ui_->BlockSizeComboBox->setCurrentIndex(0);
    ui_->BlockSizeComboBox->setEnabled(recording);
    ui_->CompressAction->setEnabled(recording);
    ui_->RestoreAction->setEnabled(!recording);
    ui_->ProgressBar1->setRange(0, static_cast<int>(found.fileSize));
    ui_->ProgressBar1->setValue(0);
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

void TKVOCodecForm::showProgress(std::uint64_t sourcePosition) {
    ui_->ProgressBar1->setValue(static_cast<int>(sourcePosition));
}

void TKVOCodecForm::reportDroppedBytes(const ConvertReport& report) {
    if (report.droppedBytes != 0) {
        const std::uint64_t dropped = report.droppedBytes;
        const std::string text =
            std::string(RussianPlural(dropped, {"Не записан последний", "Не записаны последние",
                                                "Не записаны последние"})) +
            " " + CountOf(dropped, kByteForms) + " данных (неполная запись)";
        ui_->Memo1->appendPlainText(QString::fromStdString(text));
        fitSummary();
    }
}

void TKVOCodecForm::CompressActionExecute() {
    const std::uint64_t blockSize = ui_->BlockSizeComboBox->currentText().toULongLong();
    if (fDesktop.askYesNo(this, shown(fSession.targetPath()), kReplacePrompt)) {
        const ConvertReport report = RunInBackground(
            [this, blockSize](const ProgressFn& progress) {
                return fSession.compress(blockSize, progress);
            },
            [this](std::uint64_t at) { showProgress(at); });
        if (report.noData) {
            fDesktop.showMessage(this, QStringLiteral("Файл не содержит данных"),
                                 QStringLiteral("Ошибка"));
        }
        reportDroppedBytes(report);
    }
    ui_->BlockSizeComboBox->setEnabled(false);
}

void TKVOCodecForm::RestoreActionExecute() {
    if (fDesktop.askYesNo(this, shown(fSession.targetPath()), kReplacePrompt)) {
        try {
            RunInBackground(
                [this](const ProgressFn& progress) { return fSession.restore(progress); },
                [this](std::uint64_t at) { showProgress(at); });
        } catch (const ConvertError& error) {
            if (error.kind() == ConvertError::Kind::ChecksumMismatch) {
                ui_->Memo1->appendPlainText(shown(error.what()));
            } else if (error.kind() == ConvertError::Kind::Damaged) {
                ui_->Memo1->appendPlainText(
                    QStringLiteral("Поврежден блок %1; уцелевшие блоки сохранит команда "
                                   "kvox --salvage %2")
                        .arg(error.blockIndex() + 1)
                        .arg(shown(fSession.sourcePath())));
            } else {
                throw;
            }
            fitSummary();
            fDesktop.showMessage(this, QStringLiteral("распаковка не состоялась"),
                                 QStringLiteral("файл поврежден"));
        }
    }
    ui_->BlockSizeComboBox->setEnabled(false);
}

void TKVOCodecForm::HeadActionExecute() {
    fDesktop.runModal(*fHeadForm);
}

void TKVOCodecForm::FormCloseQuery(bool& CanClose) {
    fSession.close();
    CanClose = fSession.SourceClosed() && fSession.TargetClosed();
}

void TKVOCodecForm::FormClose() {
    fDesktop.beep();
}

void TKVOCodecForm::closeEvent(QCloseEvent* event) {
    bool CanClose = true;
    FormCloseQuery(CanClose);
    if (!CanClose) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

}  // namespace kvo
