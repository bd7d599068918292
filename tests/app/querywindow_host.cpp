// Query windows inside the main window: File > New, the commands that call a window by name,
// the window counter's wrap, the save question during the program's close and the tree that
// the last window leaves in the settings file; Close, Save As and Open of query-table files.
#include "FrameFixture.h"

#include "app/QueryWindowHost.h"
#include "app/Workspace.h"
#include "querywindow/FieldListsController.h"
#include "querywindow/OptionsEditor.h"
#include "querywindow/QueryWindow.h"
#include "querywindow/RowsStrip.h"
#include "querywindow/TableTreePane.h"
#include "querywindow/WindowRegistry.h"
#include "tableaccess/ExtractionBuffers.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QFile>
#include <QMdiSubWindow>
#include <QTest>

using namespace qvor;
using namespace qvor::test;

namespace {

QStringList captions(Workspace* ws)
{
    QStringList out;
    for (QMdiSubWindow* sub : ws->subWindowList(QMdiArea::CreationOrder)) out << sub->windowTitle();
    return out;
}

QueryWindow* active(MainWindow& w) { return qobject_cast<QueryWindow*>(w.workspace()->activeQueryWindow()); }

} // namespace

class QueryWindowHostTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        windowRegistry().clear();
        documentValues() = {};
        QTest::qWait(0);
    }

    void newOpensNumberedWindowsWithTheRowsStrip()
    {
        FrameFixture fx;
        auto w = fx.start();
        w->runCommand(QStringLiteral("mnewqtable"));
        w->runCommand(QStringLiteral("mnewqtable"));
        QCOMPARE(captions(w->workspace()), QStringList({"Orvane1", "Orvane2"}));
        QueryWindow* second = active(*w);
        QVERIFY(second);
        QCOMPARE(second->windowTitle(), QStringLiteral("Orvane2"));
        QVERIFY(documentValues().ChRow);
        QVERIFY(!second->rowsStrip().allRowsBox()->isHidden());
        QVERIFY(commands().isEnabled(QStringLiteral("mcloserows")));
        QVERIFY(commands().isEnabled(QStringLiteral("msaveqtable")));
        QCOMPARE(windowRegistry().slot(2).caption, QStringLiteral("Orvane2"));
        QVERIFY(!windowRegistry().slot(2).changed);

        // The panes fill the window's inner area.
        const QRect preview = second->element(PaneElement::PreviewList)->geometry();
        QVERIFY(qAbs(preview.bottom() + 1 - second->height()) <= 1);
        QVERIFY(qAbs(preview.width() - second->width()) <= 1);
    }

    void commandsReachTheActiveWindowByName()
    {
        FrameFixture fx;
        appSettings().ssAddTab = {QStringLiteral("Sales")};
        appSettings().SAT = 1;
        auto w = fx.start();
        w->runCommand(QStringLiteral("mnewqtable"));
        QueryWindow* q = active(*w);
        QVERIFY(q);

        QTreeWidgetItem* sales = q->tree()->itemOfKey(QStringLiteral("Sales"));
        q->tree()->setCurrentItem(sales);
        sales->setSelected(true);
        w->runCommand(QStringLiteral("mnewfolder"));
        QVERIFY(q->tree()->labelEditOpen());
        q->tree()->finishLabelEdit(QStringLiteral("Customers"));
        QCOMPARE(q->tree()->itemOfKey(QStringLiteral("Customers"))->parent(), sales);
        w->runCommand(QStringLiteral("mnewroot"));   // at the top, whatever is selected
        q->tree()->finishLabelEdit(QStringLiteral("Finance"));
        QCOMPARE(q->tree()->itemOfKey(QStringLiteral("Finance"))->parent(), nullptr);

        w->runCommand(QStringLiteral("mcuttable"));
        QVERIFY(commands().isEnabled(QStringLiteral("mpastetable")));

        w->runCommand(QStringLiteral("mviewfieldslist"));
        QVERIFY(!q->lists().detailView());
        w->runCommand(QStringLiteral("mfieldsgridlines"));
        QVERIFY(q->fieldsGridlines());
        QVERIFY(commands().isChecked(QStringLiteral("mfieldsgridlines")));

        w->runCommand(QStringLiteral("msinglesel"));
        QVERIFY(q->tree()->hoverHighlight());
        w->runCommand(QStringLiteral("mcloserows"));
        QVERIFY(q->rowsStrip().allRowsBox()->isHidden());
        QVERIFY(commands().isEnabled(QStringLiteral("mrows")));

        // Delete on the selected node: a folder with children asks first.
        q->tree()->setCurrentItem(sales);
        sales->setSelected(true);
        fx.services.messageAnswers = {MsgResult::Yes};
        w->runCommand(QStringLiteral("mremovetable"));
        QCOMPARE(fx.services.messageTexts().last(), QStringLiteral("Are you sure you want to delete folder 'Sales'?"));
        QCOMPARE(q->tree()->topLevelItemCount(), 1);
    }

    void counterWrapsAndShowsTheWindowOfTheSlot()
    {
        FrameFixture fx;
        auto w = fx.start();
        w->runCommand(QStringLiteral("mnewqtable"));
        QueryWindow* first = active(*w);
        windowRegistry().setCounter(20);
        QueryWindowHost* host = w->findChild<QueryWindowHost*>();
        QVERIFY(host);
        QCOMPARE(host->NewQTable(), first);
        QCOMPARE(w->workspace()->subWindowList().size(), 1);
        QCOMPARE(windowRegistry().counter(), 1);
    }

    void closingTheProgramAsksEachChangedWindow()
    {
        FrameFixture fx;
        auto w = fx.start();
        w->runCommand(QStringLiteral("mnewqtable"));
        QueryWindow* q = active(*w);
        w->runCommand(QStringLiteral("mnewroot"));
        q->tree()->finishLabelEdit(QStringLiteral("Reports"));
        myTableBuffer().fields = {{"KNA1-KUNNR", "Customer", "C", 10}};
        q->PasteListItem();
        w->runCommand(QStringLiteral("mnewqtable"));
        active(*w)->PasteListItem();

        // Every window is asked before any closes: No for the first, Cancel for the second keeps both.
        fx.services.messageAnswers = {MsgResult::No, MsgResult::Cancel};
        QVERIFY(!w->close());
        QCOMPARE(fx.services.messageTexts(), QStringList({"Do you want to save changes to 'Orvane1'?",
                                                          "Do you want to save changes to 'Orvane2'?"}));
        QCOMPARE(captions(w->workspace()), QStringList({"Orvane1", "Orvane2"}));
        QCOMPARE(windowRegistry().counter(), 2);
        QVERIFY(appFlags().closeCancelled);
        QVERIFY(!w->close());   // refused silently while the flag is set
        QCOMPARE(fx.services.messages.size(), 2);

        fx.services.messageAnswers = {MsgResult::No, MsgResult::No};
        w->runCommand(QStringLiteral("msair"));
        QCOMPARE(fx.services.messages.size(), 4);
        QVERIFY(w->closeFinished());
        QCOMPARE(windowRegistry().counter(), 0);
        QVERIFY(fx.settingsBytes().contains("Reports"));
    }

    void savedQueryTableOpensAgain()
    {
        FrameFixture fx;
        auto w = fx.start();
        w->runCommand(QStringLiteral("mnewqtable"));
        QueryWindow* q = active(*w);
        myTableBuffer().fields = {{"KNA1-KUNNR", "Customer number", "C", 10}, {"KNA1-NAME1", "Name 1", "C", 35}};
        q->PasteListItem();
        q->options().RestoreOptions({QStringLiteral("KNA1-LAND1 EQ 'BR' AND"), QStringLiteral("KNA1-ORT01 LIKE 'S%' ")});
        documentValues().sRows = 77;

        // A new window has no file name yet: Save asks for one, proposing "Orvane" + the table.
        const QString path = fx.dir.filePath(QStringLiteral("customers.txt"));
        fx.services.fileAnswers = {path};
        w->runCommand(QStringLiteral("msaveqtable"));
        QCOMPARE(fx.services.fileDialogs.size(), 1);
        QVERIFY(fx.services.fileDialogs[0].initialName.endsWith(QStringLiteral("Orvane KNA1")));
        QCOMPARE(q->windowTitle(), QStringLiteral("customers.txt"));
        QCOMPARE(windowRegistry().slot(1).caption, QStringLiteral("customers.txt"));
        QVERIFY(!windowRegistry().slot(1).changed);
        QVERIFY(QFile::exists(path));

        // With a file name, Save writes without asking.
        q->RemoveField();
        w->runCommand(QStringLiteral("msaveqtable"));
        QCOMPARE(fx.services.fileDialogs.size(), 1);

        documentValues() = {};
        fx.services.fileAnswers = {path};
        w->runCommand(QStringLiteral("mopenqtable"));
        QueryWindow* opened = active(*w);
        QVERIFY(opened && opened != q);
        QCOMPARE(opened->windowTitle(), QStringLiteral("customers.txt"));
        QCOMPARE(opened->lists().myTable().rows().size(), 2);
        QCOMPARE(opened->lists().myTable().rows()[1].text, QStringLiteral("Name 1"));
        QCOMPARE(opened->options().model().lines(),
                 QStringList({"KNA1-LAND1 EQ 'BR' AND", "KNA1-ORT01 LIKE 'S%' "}));
        QCOMPARE(documentValues().sRows, 77);
        QVERIFY(!appFlags().fileOpening);
        QCOMPARE(panels().message(), path + QStringLiteral(" opened"));

        // "All Rows" survives the round trip: saved as 0, reopened ticked, saved again as 0.
        opened->rowsStrip().allRowsBox()->click();
        QCOMPARE(documentValues().sRows, 0);
        w->runCommand(QStringLiteral("msaveqtable"));
        fx.services.fileAnswers = {path};
        w->runCommand(QStringLiteral("mopenqtable"));
        QueryWindow* reopened = active(*w);
        QVERIFY(reopened && reopened != opened);
        QVERIFY(reopened->rowsStrip().allRowsBox()->isChecked());
        QCOMPARE(reopened->rowsStrip().rowLimitBox()->text(), QStringLiteral("0"));
        QCOMPARE(documentValues().sRows, 0);
        w->runCommand(QStringLiteral("msaveqtable"));
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll().contains("sRows         0 \r\n"));
    }

    void closeSaveAsOpenRulesAndBrokenFile()
    {
        FrameFixture fx;
        auto w = fx.start();
        w->runCommand(QStringLiteral("mnewqtable"));
        QueryWindow* q = active(*w);
        myTableBuffer().fields = {{"T001-BUKRS", "Company Code", "C", 4}};
        q->PasteListItem();
        QVERIFY(windowRegistry().slot(1).changed);

        // Close with Yes on a window without a file name: Save As asks for one, then it closes.
        const QString first = fx.dir.filePath(QStringLiteral("first.txt"));
        fx.services.messageAnswers = {MsgResult::Yes};
        fx.services.fileAnswers = {first};
        w->runCommand(QStringLiteral("mcloseqtable"));
        QTest::qWait(0);
        QCOMPARE(fx.services.messageTexts(), QStringList{QStringLiteral("Do you want to save changes to 'Orvane1'?")});
        QCOMPARE(fx.services.fileDialogs.size(), 1);
        QVERIFY(fx.services.fileDialogs[0].initialName.endsWith(QStringLiteral("Orvane T001")));
        QVERIFY(QFile::exists(first));
        QVERIFY(w->workspace()->subWindowList().isEmpty());

        // Open takes the file's name as caption; with Single Click off it stays off and loses its tick.
        QVERIFY(!appFlags().singleClickMode);
        fx.services.clear();
        fx.services.fileAnswers = {first};
        w->runCommand(QStringLiteral("mopenqtable"));
        q = active(*w);
        QVERIFY(q);
        QCOMPARE(q->windowTitle(), QStringLiteral("first.txt"));
        QVERIFY(!appFlags().singleClickMode);
        QVERIFY(!commands().isChecked(QStringLiteral("msinglesel")));
        QVERIFY(!q->tree()->hoverHighlight());

        // Save As writes under the new name and renames the window and its slot.
        const QString second = fx.dir.filePath(QStringLiteral("second.txt"));
        fx.services.fileAnswers = {second};
        w->runCommand(QStringLiteral("msaveasqtable"));
        QVERIFY(QFile::exists(second));
        QCOMPARE(q->windowTitle(), QStringLiteral("second.txt"));
        const int slot = windowRegistry().slotOfWindow(q);
        QVERIFY(slot > 0);
        QCOMPARE(windowRegistry().slot(slot).caption, QStringLiteral("second.txt"));
        QVERIFY(!windowRegistry().slot(slot).changed);

        // A file that cannot be read says so and opens no window.
        const int windows = int(w->workspace()->subWindowList().size());
        fx.services.clear();
        fx.services.fileAnswers = {fx.dir.filePath(QStringLiteral("missing.txt"))};
        w->runCommand(QStringLiteral("mopenqtable"));
        QCOMPARE(fx.services.messages.size(), 1);
        QVERIFY2(fx.services.messageTexts()[0].endsWith(QStringLiteral(" on ReadOrvane")),
                 qPrintable(fx.services.messageTexts()[0]));
        QCOMPARE(int(w->workspace()->subWindowList().size()), windows);
    }
};

QTEST_MAIN(QueryWindowHostTest)
#include "querywindow_host.moc"
