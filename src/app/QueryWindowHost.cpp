#include "app/QueryWindowHost.h"

#include "app/CommandRunner.h"
#include "app/MainMenus.h"
#include "app/MainWindow.h"
#include "app/Workspace.h"
#include "querywindow/QueryWindow.h"
#include "querywindow/QTableSaving.h"
#include "querywindow/WindowRegistry.h"
#include "tableaccess/ExtractionBuffers.h"
#include "tableaccess/OutputFile.h"
#include "tableaccess/QTableFile.h"
#include "util/AppFlags.h"
#include "util/AppSettings.h"
#include "util/Twips.h"

#include <QMdiSubWindow>
#include <QMenu>

namespace qvor {

namespace {
// A new window's size before the user changes it, in twips.
constexpr int InitialWidth = 12000;
constexpr int InitialHeight = 7200;
} // namespace

QueryWindowHost::QueryWindowHost(MainWindow& window) : QObject(&window), window_(window)
{
    window_.commandRunner().hooks().newQTable = [this] {
        // File > New always shows the rows strip in the new window.
        documentValues().ChRow = true;
        NewQTable();
    };
    window_.commandRunner().hooks().openQTable = [this] { return OpenQTable(); };
}

QueryWindow* QueryWindowHost::createWindow()
{
    auto* query = new QueryWindow;
    QMdiSubWindow* sub = window_.workspace()->addSubWindow(query);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    const QSize area = window_.workspace()->viewport()->size();
    const int w = twipsToPixels(InitialWidth, window_.logicalDpiX());
    const int h = twipsToPixels(InitialHeight, window_.logicalDpiY());
    sub->resize(area.width() > 0 ? std::min(w, area.width()) : w, area.height() > 0 ? std::min(h, area.height()) : h);
    connect(query, &QueryWindow::contextMenuRequested, this, [this](const QString& name, const QPoint& at) {
        if (QMenu* menu = window_.menus().menu(name)) menu->popup(at);
    });
    return query;
}

QueryWindow* QueryWindowHost::NewQTable()
{
    WindowRegistry& registry = windowRegistry();
    const int number = registry.advanceCounter();
    WindowRegistry::Slot& slot = registry.slot(number);
    auto* query = qobject_cast<QueryWindow*>(slot.window.data());
    if (!query || query->unloaded()) {
        query = createWindow();
        slot.window = query;
    }
    auto* sub = qobject_cast<QMdiSubWindow*>(query->parentWidget());
    if (sub) {
        sub->show();
        window_.workspace()->setActiveSubWindow(sub);
    }
    query->show();
    slot.changed = false;
    slot.caption = query->windowTitle();
    return query;
}

int QueryWindowHost::OpenQTable()
{
    QString& path = appSettings().FileQvor;
    const QString proposed =
        path.isEmpty() ? QStringLiteral("Orvane") + QString::number(windowRegistry().counter() + 1) : path;
    const std::optional<QString> chosen = OutputFile::OpenFileDialog(proposed, OutputFile::TextFiles);
    if (!chosen) return 0;
    path = *chosen;
    const std::optional<QTableDocument> document = QTableFile::ReadOrvane(path);
    if (!document) return 0;
    documentValues() = *document;
    appFlags().singleClickMode = document->ChSsl;
    QTableFile::LoadOrvane(*document, myTableBuffer(), optionsBuffer());
    // The new window fills My Table and the options from the buffers.
    appFlags().fileOpening = true;
    QueryWindow* query = NewQTable();
    appFlags().fileOpening = false;
    query->setWindowTitle(QTableSaving::fileName(path));
    if (const int slot = windowRegistry().slotOfWindow(query)) windowRegistry().slot(slot).caption = query->windowTitle();
    return 1;
}

} // namespace qvor
