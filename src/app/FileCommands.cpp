#include "app/FileCommands.h"

#include "app/CommandRunner.h"
#include "app/MainWindow.h"
#include "app/Workspace.h"
#include "sap/SapLogonLauncher.h"
#include "tableaccess/ImportOutput.h"
#include "tableaccess/OutputFile.h"
#include "util/AppSettings.h"
#include "util/ExternalPrograms.h"
#include "util/UiTexts.h"

#include <QMetaObject>
#include <QPointer>
#include <QWidget>

namespace qvor {

void FileCommands::install(MainWindow& window)
{
    DocumentHooks& hooks = window.commandRunner().hooks();
    hooks.openTableInExcel = [] { OpenTableInExcel(); };
    hooks.sapLogon = [] { SapLogon(); };
    QPointer<MainWindow> guarded(&window);
    hooks.openMyTable = [guarded] {
        if (!guarded) return;
        OpenMyTable(outputPathOf(guarded->workspace()->activeQueryWindow()));
    };
}

void FileCommands::OpenTableInExcel()
{
    // The proposal is the file of the chosen format; with the specified one that is TableFile itself.
    AppSettings& s = appSettings();
    s.TableFile = ImportOutput::pathFor(s.TableFile, s.ExpFormat);
    if (OutputFile::OpenTableFile(tx(TextId::OpenTableInExcelTitle)))
        OpenWithAssociatedProgram(s.TableFile);
}

void FileCommands::OpenMyTable(const QString& outputPath)
{
    if (const auto chosen = OutputFile::OpenFileDialog(ImportOutput::pathFor(outputPath, appSettings().ExpFormat),
                                                       OutputFile::DataFiles))
        OpenWithAssociatedProgram(*chosen);
}

void FileCommands::SapLogon() { SapLogonLauncher().run(); }

QString FileCommands::outputPathOf(QWidget* queryWindow)
{
    if (!queryWindow) return {};
    if (queryWindow->metaObject()->indexOfMethod("MyTableF()") >= 0) {
        QString path;
        if (QMetaObject::invokeMethod(queryWindow, "MyTableF", Qt::DirectConnection, Q_RETURN_ARG(QString, path)))
            return path;
    }
    return queryWindow->property("MyTableF").toString();
}

} // namespace qvor
