#include "app/Workspace.h"

#include "app/TileLayout.h"
#include "util/OperationGuard.h"
#include "util/StatusPanels.h"
#include "util/UiTexts.h"

#include <QAction>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>

namespace qvor {

Workspace::Workspace(QWidget* parent) : QMdiArea(parent)
{
    // The application-workspace colour of the system.
    setBackground(palette().brush(QPalette::Dark));
    viewport()->installEventFilter(this);
}

bool Workspace::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == viewport() && event->type() == QEvent::MouseButtonRelease) {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::RightButton) Q_EMIT rightButtonReleased(me->globalPosition().toPoint());
    }
    return QMdiArea::eventFilter(watched, event);
}

QList<QMdiSubWindow*> Workspace::tileableWindows() const
{
    QList<QMdiSubWindow*> list;
    for (QMdiSubWindow* w : subWindowList(QMdiArea::CreationOrder))
        if (w->isVisible() && !w->isMinimized()) list << w;
    return list;
}

static void placeTiles(const QList<QMdiSubWindow*>& windows, const QList<QRect>& tiles)
{
    for (qsizetype i = 0; i < windows.size() && i < tiles.size(); ++i) {
        if (windows[i]->isMaximized()) windows[i]->showNormal();
        windows[i]->setGeometry(tiles[i]);
    }
}

void Workspace::tileSideBySide()
{
    const auto windows = tileableWindows();
    placeTiles(windows, tileRectangles(viewport()->rect(), int(windows.size()), TileDirection::SideBySide));
}

void Workspace::tileStacked()
{
    const auto windows = tileableWindows();
    placeTiles(windows, tileRectangles(viewport()->rect(), int(windows.size()), TileDirection::Stacked));
}

void Workspace::cascade() { cascadeSubWindows(); }

QWidget* Workspace::activeQueryWindow() const
{
    QMdiSubWindow* sub = activeSubWindow();
    if (!sub) sub = currentSubWindow();
    return sub ? sub->widget() : nullptr;
}

void Workspace::fillWindowList(QMenu* menu)
{
    for (QAction* a : std::as_const(listActions_)) {
        menu->removeAction(a);
        a->deleteLater();
    }
    listActions_.clear();
    const auto windows = subWindowList(QMdiArea::CreationOrder);
    if (windows.isEmpty()) return;
    listActions_ << menu->addSeparator();
    QMdiSubWindow* current = activeSubWindow() ? activeSubWindow() : currentSubWindow();
    int number = 1;
    for (QMdiSubWindow* w : windows) {
        QAction* a = menu->addAction(QStringLiteral("&%1 %2").arg(number++).arg(w->windowTitle()));
        a->setCheckable(true);
        a->setChecked(w == current);
        connect(a, &QAction::triggered, this, [this, w] {
            // Another active window would take the running operation's place.
            if (operationGuard().refuseIfBusy()) return;
            setActiveSubWindow(w);
        });
        listActions_ << a;
    }
}

} // namespace qvor
