#pragma once
// Shared set-up of the query window's GUI tests: a scripted user logged on to the in-memory demo
// system, the main window's commands registered as plain actions, and the process-wide values
// back at their defaults before every test.
#include "querywindow/FieldListsController.h"
#include "querywindow/OptionsEditor.h"
#include "querywindow/PreviewAndImport.h"
#include "querywindow/PreviewPane.h"
#include "querywindow/QueryWindow.h"
#include "querywindow/RowsStrip.h"
#include "querywindow/TableTreePane.h"
#include "querywindow/WindowRegistry.h"
#include "sap/EmbeddedTransport.h"
#include "sap/SapConnection.h"
#include "support/ScriptedUiServices.h"
#include "tableaccess/ExtractionBuffers.h"
#include "tableaccess/FieldCatalogue.h"
#include "tableaccess/ImportRunner.h"
#include "util/AppFlags.h"
#include "util/AppSettings.h"
#include "util/CommandRegistry.h"
#include "util/SettingsFile.h"
#include "util/StatusPanels.h"
#include "util/Twips.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>
#include <memory>

namespace qvor::test {

inline const QStringList CommandNames = {"mcloserows", "mrows", "mcloseqpreview", "mpastetable", "mcopytomytable",
                                         "mprintfields", "mqpreview", "mremovefield", "mremoveallfields", "mprintoptions",
                                         "mremoveoption", "mremovealloptions", "mviewfieldsdetail", "mprintpreview"};

inline QStringList column(const QAbstractItemModel& model, int col = 0)
{
    QStringList out;
    for (int r = 0; r < model.rowCount(); ++r) out << model.index(r, col).data().toString();
    return out;
}

class QueryWindowGuiBase : public QObject {
protected:
    QTemporaryDir dir_;
    ScriptedUiServices ui_;
    std::vector<std::unique_ptr<QAction>> actions_;

    std::unique_ptr<QueryWindow> makeWindow(int counter = 1)
    {
        windowRegistry().setCounter(counter);
        auto w = std::make_unique<QueryWindow>();
        const int width = twipsToPixels(12000, w->logicalDpiX());
        const int height = twipsToPixels(9000, w->logicalDpiY());
        w->resize(width, height);
        w->show();
        windowRegistry().slot(counter) = {w.get(), w->windowTitle(), false};
        return w;
    }
    static int px(const QueryWindow& w, int twips) { return twipsToPixels(twips, w.logicalDpiX()); }

    static void select(QTreeView* view, const QList<int>& rows)
    {
        view->selectionModel()->clearSelection();
        for (int r : rows)
            view->selectionModel()->select(view->model()->index(r, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        if (!rows.isEmpty())
            view->selectionModel()->setCurrentIndex(view->model()->index(rows.first(), 0), QItemSelectionModel::NoUpdate);
    }
    static void selectNode(QueryWindow& w, const QString& key)
    {
        QTreeWidgetItem* item = w.tree()->itemOfKey(key);
        QVERIFY(item);
        w.tree()->setCurrentItem(item);
        item->setSelected(true);
    }
    static void openTable(QueryWindow& w, const QString& key)
    {
        selectNode(w, key);
        w.tree()->OpenOrClose();
    }
    static void mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QMouseEvent e(type, at, target->mapToGlobal(at), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &e);
    }

    void startSession()
{
        setSettingsFolderForTests(dir_.path());
        EmbeddedTransport::useInMemoryDemoForTests(1);
        for (const QString& name : CommandNames) {
            auto a = std::make_unique<QAction>();
            a->setObjectName(name);
            a->setCheckable(true);
            commands().add(a.get());
            actions_.push_back(std::move(a));
        }
        ui_.logonAnswers.push_back(LogonEntry{QStringLiteral("DEMO"), QStringLiteral("001"), QStringLiteral("DEMO"),
                                              QStringLiteral("demo"), QStringLiteral("EN")});
        sapConnection().Connect();
        QVERIFY(sapConnection().connected());
    }

    void endSession()
{ sapConnection().Disconnect(); }

    void resetValues()
{
        appSettings() = {};
        appSettings().OptEN = true;
        appFlags() = {};
        documentValues() = {};
        documentValues().ChRow = true;
        windowRegistry().clear();
        panels().setMessage({});
        ui_.clear();
        for (const auto& a : actions_) a->setEnabled(true);
    }
};

} // namespace qvor::test
