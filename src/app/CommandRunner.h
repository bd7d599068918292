#pragma once
// Runs the main window's commands by entry name: the menu entries, the toolbar buttons and the
// connection panel's double click all end here. Commands of the active query window call its
// operation by name; their menu-state changes happen first, also with no window open.
#include <QGenericArgument>
#include <QString>
#include <functional>

namespace qvor {

class MainWindow;

// Operations of the document layer that the frame starts but does not implement. Unset hooks
// make their commands do nothing.
struct DocumentHooks {
    std::function<void()> newQTable;               // New (the rows strip shows in the new window)
    std::function<int()> openQTable;               // Open...; 1 when a file was opened
    std::function<void()> openTableInExcel;        // Open Table in Excel...
    std::function<void()> openMyTable;             // Open Table (the active document's output file)
    std::function<void()> sapLogon;                // SAP Logon
};

class CommandRunner {
public:
    explicit CommandRunner(MainWindow& window) : window_(window) {}

    void run(const QString& entry);

    DocumentHooks& hooks() { return hooks_; }

private:
    bool runWindowCommand(const QString& entry);
    bool runFrameCommand(const QString& entry);
    void toggleSingleClick();
    void toggleGridlines();
    void removeSelectedTable();
    void openQTable();

    // Calls the active query window's operation; false when there is none or the call fails.
    bool invoke(const char* operation, QGenericArgument a1 = QGenericArgument(),
                QGenericArgument a2 = QGenericArgument());
    bool invokeReturning(const char* operation, QGenericReturnArgument result);

    MainWindow& window_;
    DocumentHooks hooks_;
};

} // namespace qvor
