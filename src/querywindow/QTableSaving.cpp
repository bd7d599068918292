#include "querywindow/QTableSaving.h"

#include "querywindow/FieldListsController.h"
#include "querywindow/OptionsEditor.h"
#include "querywindow/QueryWindow.h"
#include "querywindow/WindowRegistry.h"
#include "tableaccess/ExtractionBuffers.h"
#include "tableaccess/OutputFile.h"
#include "tableaccess/QTableFile.h"
#include "util/AppFlags.h"
#include "util/AppSettings.h"

namespace qvor {

namespace {

bool writeFile(QueryWindow& window, const QString& path)
{
    return QTableFile::WriteQTableFile(path, QTableSaving::PrepareQTable(window));
}

} // namespace

QString QTableSaving::fileName(const QString& path) { return path.mid(OutputFile::folderPart(path).size()); }

QTableDocument QTableSaving::PrepareQTable(QueryWindow& window)
{
    myTableBuffer().fields = window.lists().myTable().fields();
    optionsBuffer().lines = window.options().model().lines();
    QTableDocument& values = documentValues();
    values.ChSsl = appFlags().singleClickMode;
    return QTableFile::PrepareQTable(myTableBuffer(), optionsBuffer(), values);
}

void QTableSaving::SaveQTable(QueryWindow& window)
{
    QString& path = appSettings().FileQvor;
    const QString caption = window.windowTitle();
    path = OutputFile::folderPart(path) + caption;
    if (!caption.contains(QLatin1Char('.'))) {
        path += QStringLiteral(".txt");
        SaveAsQTable(window);
        return;
    }
    if (writeFile(window, path)) windowRegistry().setChanged(caption, false);
}

bool QTableSaving::SaveAsQTable(QueryWindow& window)
{
    QString& path = appSettings().FileQvor;
    const QString proposed = OutputFile::folderPart(path) + QStringLiteral("Orvane ") + window.QTableName();
    const std::optional<QString> chosen = OutputFile::SaveFileDialog(proposed, OutputFile::TextFiles);
    if (!chosen) return false;
    path = *chosen;
    if (!writeFile(window, path)) return false;
    WindowRegistry& registry = windowRegistry();
    const int slot = registry.slotOfWindow(&window);
    window.setWindowTitle(fileName(path));
    if (slot != 0) {
        registry.slot(slot).caption = window.windowTitle();
        registry.slot(slot).changed = false;
    }
    return true;
}

} // namespace qvor
