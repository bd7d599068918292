#pragma once
// Connects the main window to its query windows: File > New opens a query window in the next
// registry slot (NewQTable), File > Open... opens a query-table file into a new one, and a right-button release over a window's pane pops up the main
// window's menu of that pane.
#include <QObject>

namespace qvor {

class MainWindow;
class QueryWindow;

class QueryWindowHost : public QObject {
    Q_OBJECT
public:
    // Installs the document hooks of the window's command runner; a child of the main window.
    explicit QueryWindowHost(MainWindow& window);

    // The window counter moves on (20 wraps to 1); an empty slot gets a new window, an occupied
    // one shows its window again. Gives the window of the slot.
    QueryWindow* NewQTable();
    // Asks for a query-table file, reads it and opens a window for it: 1 when a window was opened.
    int OpenQTable();

private:
    QueryWindow* createWindow();

    MainWindow& window_;
};

} // namespace qvor
