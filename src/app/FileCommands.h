#pragma once
// The main window's file commands that act on local files rather than on a query window:
// "Open Table in Excel..." (the TableFile setting), "Open Table" (the active document's output
// file) and "SAP Logon". install() sets the command runner's hooks for them.
#include <QString>

class QWidget;

namespace qvor {

class MainWindow;

class FileCommands {
public:
    static void install(MainWindow& window);

    // The dialog titled "Open Table in Excel"; the chosen file opens in its associated program.
    static void OpenTableInExcel();
    // The data-file open dialog starting at the given output path; the chosen file opens in its
    // associated program.
    static void OpenMyTable(const QString& outputPath);
    static void SapLogon();

    // The output path (MyTableF) of a query window: its MyTableF() slot, else its "MyTableF"
    // property; empty without a window.
    static QString outputPathOf(QWidget* queryWindow);
};

} // namespace qvor
