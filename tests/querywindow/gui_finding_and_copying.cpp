// Finding tables (Table > Find Table...), narrowing the field list with its filter box, and
// copying preview rows with Ctrl+C, in a query window on the embedded demo system.
#include "GuiFixture.h"
#include "querywindow/FindTableDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

using namespace qvor;
using namespace qvor::test;

class FindingAndCopyingGuiTest : public QueryWindowGuiBase {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { startSession(); }
    void cleanupTestCase() { endSession(); }
    void init() { resetValues(); }

    // A search through the real dialog; the two tables chosen go beside the selected table (a
    // table under a table could not be opened any more), each checked against SAP; a table
    // already in the tree is refused as when it is named by hand.
    void foundTablesJoinTheTree()
    {
        appSettings().ssAddTab = {"Sales", "Sales\\KNA1"};
        appSettings().SAT = 2;
        auto w = makeWindow();
        selectNode(*w, "KNA1");
        QStringList status;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<FindTableDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->patternBox()->setText("kn*");
            QTest::keyClick(dialog->patternBox(), Qt::Key_Return);
            status << dialog->status()->text();
            QTreeWidget* results = dialog->results();
            QStringList names;
            for (int i = 0; i < results->topLevelItemCount(); ++i) names << results->topLevelItem(i)->text(0);
            QCOMPARE(names, QStringList({"KNA1", "KNB1", "KNVV"}));
            results->topLevelItem(1)->setSelected(true);
            results->topLevelItem(2)->setSelected(true);
            dialog->addSelected();
            results->clearSelection();
            results->topLevelItem(0)->setSelected(true);
            dialog->addSelected();
            dialog->patternBox()->setText("no such table anywhere");
            dialog->runSearch();
            status << dialog->status()->text();
            dialog->reject();
        });
        w->FindTable();
        QCOMPARE(status, QStringList({"3 tables found", "No table found"}));
        QTreeWidgetItem* sales = w->tree()->itemOfKey("Sales");
        QCOMPARE(w->tree()->itemOfKey("KNB1")->parent(), sales);
        QCOMPARE(w->tree()->itemOfKey("KNVV")->parent(), sales);
        QVERIFY(sales->isExpanded());
        QCOMPARE(ui_.messageTexts(), QStringList{"KNA1 already exists"});
        QVERIFY(panels().message().startsWith("KNVV was successfully added with "));
        QCOMPARE(w->tree()->SaveTree(), QStringList({"Sales", "Sales\\KNA1", "Sales\\KNB1", "Sales\\KNVV"}));
    }

    // The filter narrows the list as one types, by name or by description, in both views;
    // Copy takes only the visible part of a selection; a table opened meanwhile is filtered too.
    void fieldFilterNarrowsTheList()
    {
        appSettings().ssAddTab = {"KNA1", "KNB1"};
        appSettings().SAT = 2;
        auto w = makeWindow();
        openTable(*w, "KNA1");
        FieldListsController& lists = w->lists();
        QTreeView* view = lists.fieldDetailView();
        const auto visible = [&] {
            QStringList names;
            for (int r = 0; r < lists.fields().rowCount(); ++r)
                if (!view->isRowHidden(r, {})) names << lists.fields().row(r).name;
            return names;
        };
        const int all = lists.fields().rowCount();
        select(view, {0, 1, 2, 3, 4, 5});
        QTest::keyClicks(lists.fieldFilter(), "kunn");
        QCOMPARE(visible(), QStringList{"KNA1-KUNNR"});
        QCOMPARE(lists.fieldCompactView()->isRowHidden(0), true);
        w->CopyListItem();
        QCOMPARE(column(lists.myTable()), QStringList{"KNA1-KUNNR"});

        lists.fieldFilter()->setText("customer number");   // the description of KUNNR
        openTable(*w, "KNB1");
        QCOMPARE(visible(), QStringList({"KNA1-KUNNR", "KNB1-KUNNR"}));
        lists.fieldFilter()->clear();
        QCOMPARE(visible().size(), lists.fields().rowCount());
        QVERIFY(lists.fields().rowCount() > all);
    }

    void previewRowsCopied()
    {
        auto w = makeWindow();
        myTableBuffer().fields = {{"T001-BUKRS", "Company Code", "C", 4}, {"T001-BUTXT", "Name", "C", 25}};
        w->PasteListItem();
        w->rowsStrip().rowLimitBox()->setText("3");
        w->UpdatePreview();
        QTRY_VERIFY(!w->rowsFromSap().running());
        PreviewPane* preview = w->preview();
        preview->headerClicked(3);   // sorted by name: the arrow is not copied
        preview->selectionModel()->select(preview->model()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        preview->selectionModel()->select(preview->model()->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QApplication::clipboard()->clear();
        preview->setFocus();
        QTest::keyClick(preview, Qt::Key_C, Qt::ControlModifier);
        const QStringList lines = QApplication::clipboard()->text().split('\n');
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QStringLiteral("Row\tCompany Code\tName"));
        const PreviewTableModel& model = preview->previewModel();
        QCOMPARE(lines[1], model.cell(0, 0) + '\t' + model.cell(0, 1).trimmed() + '\t' + model.cell(0, 2).trimmed());
        QCOMPARE(lines[2].section('\t', 2), model.cell(2, 2).trimmed());
        QVERIFY(!lines[2].endsWith(' '));
        QCOMPARE(lines[3], QString());
    }
};

QTEST_MAIN(FindingAndCopyingGuiTest)
#include "gui_finding_and_copying.moc"
