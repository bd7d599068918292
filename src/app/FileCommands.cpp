#include "app/FileCommands.h"

#include "app/CommandRunner.h"
#include "app/MainWindow.h"
#include "app/Workspace.h"
#include "sap/SapLogonLauncher.h"
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
    if (OutputFile::OpenTableFile(tx(TextId::OpenTableInExcelTitle)))
        OpenWithAssociatedProgram(appSettings().TableFile);
}

void FileCommands::OpenMyTable(const QString& outputPath)
{
    if (const auto chosen = OutputFile::OpenFileDialog(outputPath, OutputFile::DataFiles))
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
