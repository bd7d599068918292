#pragma once
// The main window's workspace: the query windows' multiple-document area with the tiling and
// cascading of the Window menu and the window list at that menu's end.
#include <QMdiArea>

class QMenu;
class QAction;

namespace qvor {

class Workspace : public QMdiArea {
    Q_OBJECT
public:
    explicit Workspace(QWidget* parent = nullptr);

    void tileSideBySide();
    void tileStacked();
    void cascade();

    // The window list: replaces the entries added by the previous call, one per query window,
    // the active one ticked; choosing one activates it.
    void fillWindowList(QMenu* menu);

    // The active query window's widget; with the program in the background the current one.
    QWidget* activeQueryWindow() const;

Q_SIGNALS:
    void rightButtonReleased(const QPoint& globalPos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<QMdiSubWindow*> tileableWindows() const;

    QList<QAction*> listActions_;
};

} // namespace qvor
