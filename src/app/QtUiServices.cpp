#include "app/QtUiServices.h"

#include "app/LogonDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>

namespace qvor {

QWidget* QtUiServices::dialogParent()
{
    if (QWidget* w = QApplication::activeWindow()) return w;
    return QApplication::activeModalWidget();
}

MsgResult QtUiServices::message(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title)
{
    QMessageBox box(dialogParent());
    // An empty title stays empty: the box then has no title of its own.
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    }
    switch (buttons) {
    case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    }
    // A pending wait pointer must not hide the box's own pointer.
    const bool waiting = waitDepth_ > 0;
    if (waiting) QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    const int answer = box.exec();
    if (waiting) QGuiApplication::restoreOverrideCursor();
    switch (answer) {
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    case QMessageBox::Cancel: return MsgResult::Cancel;
    default: break;
    }
    // Escape or the title bar on a Yes/No box counts as the negative answer.
    return buttons == MsgButtons::Ok ? MsgResult::Ok
         : buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Cancel;
}

std::optional<QString> QtUiServices::openFileDialog(const QString& title, const QString& filter,
                                                    const QString& initialName)
{
    const QString path = QFileDialog::getOpenFileName(dialogParent(), title, initialName, toQtFilter(filter));
    if (path.isEmpty()) return std::nullopt;
    return path;
}

namespace {

// A name typed without an extension gets the chosen filter's before the dialog judges it, so the
// overwrite question and a later Save see the name the file really gets.
class SuffixingSaveDialog final : public QFileDialog {
public:
    using QFileDialog::QFileDialog;
    void accept() override
    {
        setDefaultSuffix(saveSuffix(nameFilters().join(QStringLiteral(";;")), selectedNameFilter()));
        QFileDialog::accept();
    }
};

} // namespace

std::optional<QString> QtUiServices::saveFileDialog(const QString& title, const QString& filter,
                                                    const QString& initialName, bool confirmOverwrite)
{
    SuffixingSaveDialog dialog(dialogParent(), title, QString(), toQtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !confirmOverwrite);
    if (!initialName.isEmpty()) dialog.selectFile(initialName);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty()) return std::nullopt;
    return files.first();
}

bool QtUiServices::logonPrompt(const LogonAttempt& tryLogon)
{
    LogonDialog dlg(tryLogon, dialogParent());
    return dlg.exec() == QDialog::Accepted;
}

bool QtUiServices::startProgram(const QString& program, const QStringList& arguments)
{
    if (program.isEmpty()) return false;
    // What the program writes is its own business: nothing of it lands on our terminal.
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

void QtUiServices::beginWait()
{
    ++waitDepth_;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtUiServices::endWait()
{
    if (waitDepth_ == 0) return;
    --waitDepth_;
    QGuiApplication::restoreOverrideCursor();
}

} // namespace qvor
