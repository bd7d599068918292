// The table tree, My Table and the options editor of a query window, driven against the embedded
// demo system as a user would.
#include "GuiFixture.h"

#include <QMimeData>
#include <QtTest>

using namespace qvor;
using namespace qvor::test;

class TreeAndListsGuiTest : public QueryWindowGuiBase {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { startSession(); }
    void cleanupTestCase() { endSession(); }
    void init() { resetValues(); }

    void treeNamesAreChecked()
    {
        appSettings().ssAddTab = {QStringLiteral("Folder"), QStringLiteral("Sales")};
        appSettings().SAT = 2;
        auto w = makeWindow();
        TableTreePane* tree = w->tree();

        w->NewFolder(QStringLiteral("Folder"));
        QCOMPARE(ui_.messageTexts(), QStringList{QStringLiteral("Folder already exists")});
        QCOMPARE(tree->logic().nodeCount(), 2);

        ui_.clear();
        selectNode(*w, QStringLiteral("Sales"));
        w->NewFolder(QStringLiteral("Root"));
        QVERIFY(tree->labelEditOpen());
        QCOMPARE(tree->itemOfKey(QStringLiteral("Root"))->parent(), nullptr);
        tree->finishLabelEdit(QStringLiteral("123"));
        QCOMPARE(ui_.messageTexts(), QStringList{QStringLiteral("No numbers allowed")});
        QVERIFY(tree->labelEditOpen());   // refused: the editor opens again
        tree->finishLabelEdit(QStringLiteral("Archive"));
        QVERIFY(!tree->labelEditOpen());
        QCOMPARE(tree->selectedNodeKey(), QStringLiteral("Archive"));
        QCOMPARE(column(*tree->model()), QStringList({"Archive", "Folder", "Sales"}));

        // Escape on a new placeholder takes it away again.
        w->NewFolder(QStringLiteral("Folder2"));
        tree->abandonLabelEdit();
        QVERIFY(!tree->itemOfKey(QStringLiteral("Folder2")));

        // Rename changes the text only; the key stays.
        selectNode(*w, QStringLiteral("Sales"));
        w->RenameFolder();
        tree->finishLabelEdit(QStringLiteral("Vendas"));
        QCOMPARE(tree->itemOfKey(QStringLiteral("Sales"))->text(0), QStringLiteral("Vendas"));
        QVERIFY(tree->SaveTree().contains(QStringLiteral("Vendas")));
    }

    void labelEditThroughTheEditor()
    {
        auto w = makeWindow();
        w->NewFolder(QStringLiteral("Folder"));
        QTRY_VERIFY(w->tree()->findChild<QLineEdit*>());
        auto* editor = w->tree()->findChild<QLineEdit*>();
        editor->setText(QStringLiteral("Customers"));
        QSignalSpy handled(w->tree(), &TableTreePane::labelEditHandled);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(handled.size(), 1);
        QVERIFY(w->tree()->itemOfKey(QStringLiteral("Customers")));
        QVERIFY(!w->tree()->itemOfKey(QStringLiteral("Folder")));
    }

    void newTablesAreValidatedAgainstSap()
    {
        auto w = makeWindow();
        std::vector<FieldEntry> kna1;
        QVERIFY(GetFields(QStringLiteral("KNA1"), &kna1));

        w->NewFolder(QStringLiteral("Table"));
        w->tree()->finishLabelEdit(QStringLiteral("kna1"));
        QCOMPARE(panels().message(), QStringLiteral("kna1 was successfully added with %1 Fields. ").arg(kna1.size()));
        QVERIFY(w->tree()->itemOfKey(QStringLiteral("kna1")));

        w->tree()->clearSelection();
        w->NewFolder(QStringLiteral("Table"));
        w->tree()->finishLabelEdit(QStringLiteral("ZZNOPE"));
        QCOMPARE(ui_.messageTexts(), QStringList{QStringLiteral("TABLE_NOT_AVAILABLE")});
        QVERIFY(!w->tree()->itemOfKey(QStringLiteral("ZZNOPE")));
        QCOMPARE(w->treeCaption()->text(), QStringLiteral("  Table > 0 Folders 1 Tables"));
    }

    void openingAndClosingTables()
    {
        appSettings().ssAddTab = {QStringLiteral("Finance"), QStringLiteral("Finance\\T001"),
                                  QStringLiteral("Finance\\T001W"), QStringLiteral("KNA1")};
        appSettings().SAT = 4;
        auto w = makeWindow();
        std::vector<FieldEntry> t001, t001w;
        QVERIFY(GetFields(QStringLiteral("T001"), &t001));
        QVERIFY(GetFields(QStringLiteral("T001W"), &t001w));
        const int n1 = int(t001.size()), n2 = int(t001w.size());

        openTable(*w, QStringLiteral("T001W"));
        openTable(*w, QStringLiteral("T001"));
        QCOMPARE(panels().message(), QStringLiteral("T001 has %1 of %2 Total Fields").arg(n1).arg(n1 + n2));
        QTreeWidgetItem* item = w->tree()->itemOfKey(QStringLiteral("T001"));
        QCOMPARE(item->foreground(0).color(), QColor(0, 0, 255));
        QVERIFY(commands().isEnabled(QStringLiteral("mcopytomytable")));
        QVERIFY(w->lists().fieldDetailView()->toolTip().isEmpty());

        // Closing T001 leaves T001W's rows.
        openTable(*w, QStringLiteral("T001"));
        QCOMPARE(panels().message(), QStringLiteral("%1 Total Fields").arg(n2));
        QCOMPARE(item->foreground(0).color(), QColor(0, 0, 0));
        const QStringList names = column(w->lists().fields());
        QCOMPARE(names.size(), n2);
        QVERIFY(names.first().startsWith(QStringLiteral("T001W-")));

        // Deleting a folder asks; No keeps it, Yes takes its open tables' fields away.
        ui_.messageAnswers = {MsgResult::No, MsgResult::Yes};
        w->RemoveTable(QStringLiteral("Finance"), QStringLiteral("user"));
        QCOMPARE(ui_.messageTexts(), QStringList{QStringLiteral("Are you sure you want to delete folder 'Finance'?")});
        QCOMPARE(w->lists().fields().rowCount(), n2);
        w->RemoveTable(QStringLiteral("Finance"), QStringLiteral("user"));
        QCOMPARE(w->lists().fields().rowCount(), 0);
        QCOMPARE(w->tree()->topLevelItemCount(), 1);
        QVERIFY(!commands().isEnabled(QStringLiteral("mcopytomytable")));
    }

    void singleClickOpensWithTheFirstClick()
    {
        appSettings().ssAddTab = {QStringLiteral("Finance"), QStringLiteral("Finance\\T001"), QStringLiteral("KNA1")};
        appSettings().SAT = 3;
        appFlags().singleClickMode = true;
        auto w = makeWindow();
        TableTreePane* tree = w->tree();
        const auto click = [tree](const QString& key) {
            QTreeWidgetItem* item = tree->itemOfKey(key);
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
        };
        click(QStringLiteral("KNA1"));
        QCOMPARE(tree->logic().node(tree->logic().findKey(QStringLiteral("KNA1")))->picture, 2);
        QVERIFY(w->lists().fields().rowCount() > 0);
        QVERIFY(panels().message().startsWith(QStringLiteral("KNA1 has ")));
        // A folder unfolds on its click; the table inside it opens on its first click too.
        click(QStringLiteral("Finance"));
        QTRY_VERIFY(tree->itemOfKey(QStringLiteral("Finance"))->isExpanded());
        const int before = w->lists().fields().rowCount();
        click(QStringLiteral("T001"));
        QVERIFY(w->lists().fields().rowCount() > before);
        // Selecting KNA1 folds Finance away, under the pointer: the click still closes KNA1.
        click(QStringLiteral("KNA1"));
        QCOMPARE(tree->logic().node(tree->logic().findKey(QStringLiteral("KNA1")))->picture, 1);
        QTRY_VERIFY(!tree->itemOfKey(QStringLiteral("Finance"))->isExpanded());
    }

    // Cut and Paste move a subtree; every window shows the one shared tree all along.
    void cutAndPasteKeepEveryWindowInStep()
    {
        const QStringList whole{"Old", "Old\\Sales", "Old\\Sales\\KNA1", "Archive"};
        appSettings().ssAddTab = whole;
        appSettings().SAT = 4;
        auto a = makeWindow(1);
        auto b = makeWindow(2);
        openTable(*b, QStringLiteral("KNA1"));
        const int kna1Fields = b->lists().fields().rowCount();
        QVERIFY(kna1Fields > 0);

        selectNode(*a, QStringLiteral("Sales"));
        a->CutTable();
        QCOMPARE(a->tree()->itemOfKey(QStringLiteral("KNA1"))->foreground(0).color(), a->palette().color(QPalette::Dark));
        QCOMPARE(appSettings().ssAddTab, whole);
        auto c = makeWindow(3);   // opened after the Cut: the whole tree
        QCOMPARE(c->tree()->logic().SaveTree(), whole);

        selectNode(*a, QStringLiteral("Archive"));
        a->PasteTable();
        QTreeWidgetItem* archive = a->tree()->itemOfKey(QStringLiteral("Archive"));
        QVERIFY(archive->isExpanded());
        QCOMPARE(archive->child(0)->child(0)->text(0), QStringLiteral("KNA1"));
        QCOMPARE(a->tree()->itemOfKey(QStringLiteral("Old"))->childCount(), 0);
        const QStringList moved{"Old", "Archive", "Archive\\Sales", "Archive\\Sales\\KNA1"};
        QCOMPARE(appSettings().ssAddTab, moved);
        for (QueryWindow* other : {b.get(), c.get()}) QCOMPARE(other->tree()->logic().SaveTree(), moved);
        // B keeps its open table where it went.
        QCOMPARE(b->tree()->itemOfKey(QStringLiteral("KNA1"))->foreground(0).color(), QColor(0, 0, 255));
        QCOMPARE(b->lists().fields().rowCount(), kna1Fields);

        // Deleted in one window, gone in all, with B's fields of it.
        a->RemoveTable(QStringLiteral("Archive"), QStringLiteral("yes"));
        QCOMPARE(b->tree()->logic().SaveTree(), QStringList{"Old"});
        QCOMPARE(b->lists().fields().rowCount(), 0);
        QCOMPARE(b->treeCaption()->text(), QStringLiteral("  Table > 0 Folders 1 Tables"));
    }

    // Fields dragged from the field list land in My Table where they are dropped (the mouse
    // drag itself runs on the real display); a drag that begins near a pane edge moves the
    // boundary instead and selects nothing.
    void fieldsDropIntoMyTable()
    {
        appSettings().ssAddTab = {QStringLiteral("KNA1")};
        appSettings().SAT = 1;
        auto w = makeWindow();
        openTable(*w, QStringLiteral("KNA1"));
        FieldListsController& lists = w->lists();
        const QStringList fields = column(lists.fields());
        select(lists.fieldDetailView(), {0, 1});
        w->CopyListItem();
        windowRegistry().slot(1).changed = false;

        FieldListModel& source = lists.fields();
        std::unique_ptr<QMimeData> dragged(source.mimeData({source.index(5, 0), source.index(1, 2), source.index(6, 1)}));
        MyTableModel& target = lists.myTable();
        QVERIFY(target.canDropMimeData(dragged.get(), Qt::CopyAction, 1, 0, {}));
        QVERIFY(!(target.flags(target.index(0, 0)) & Qt::ItemIsDropEnabled));   // between rows only
        QVERIFY(target.dropMimeData(dragged.get(), Qt::CopyAction, 1, 0, {}));
        // Field 1 is in My Table already: only 5 and 6 come in, before the second row.
        QCOMPARE(column(target), QStringList({fields[0], fields[5], fields[6], fields[1]}));
        QCOMPARE(lists.myTableView()->selectionModel()->selectedRows().size(), 2);
        QVERIFY(windowRegistry().slot(1).changed);
        QVERIFY(target.headerData(0, Qt::Horizontal).toString().startsWith(QStringLiteral("My Table > 4 Fields")));
        // Dropped below the last row they are appended.
        std::unique_ptr<QMimeData> more(source.mimeData({source.index(2, 0)}));
        QVERIFY(target.dropMimeData(more.get(), Qt::CopyAction, -1, -1, {}));
        QCOMPARE(column(target).last(), fields[2]);

        // A press near the field list's right edge begins a boundary drag: the boundary moves,
        // the rows under the pointer are not selected.
        QTreeView* view = lists.fieldDetailView();
        select(view, {0});
        const int boundary = w->paneGeometry().rect(PaneElement::FieldList).width;
        const QPoint edge(view->viewport()->width() - px(*w, 200), view->visualRect(source.index(1, 0)).center().y());
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, edge);
        for (int step = 1; step <= 3; ++step) QTest::mouseMove(view->viewport(), edge + QPoint(-step, 12 * step));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, edge + QPoint(-3, 36));
        QVERIFY(w->paneGeometry().rect(PaneElement::FieldList).width < boundary);
        QCOMPARE(view->selectionModel()->selectedRows().size(), 1);
        // A gesture that begins in the middle selects as usual and moves no boundary.
        const int now = w->paneGeometry().rect(PaneElement::FieldList).width;
        const QPoint middle = view->visualRect(source.index(2, 0)).center();
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, middle);
        QTest::mouseMove(view->viewport(), middle + QPoint(0, 30));
        QTest::mouseMove(view->viewport(), QPoint(view->viewport()->width() - px(*w, 200), middle.y() + 40));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, QPoint(view->viewport()->width() - px(*w, 200), middle.y() + 40));
        QCOMPARE(w->paneGeometry().rect(PaneElement::FieldList).width, now);
    }

    void myTableCopyMoveAndRemove()
    {
        appSettings().ssAddTab = {QStringLiteral("KNA1")};
        appSettings().SAT = 1;
        auto w = makeWindow();
        openTable(*w, QStringLiteral("KNA1"));
        FieldListsController& lists = w->lists();
        const QStringList fields = column(lists.fields());
        QVERIFY(fields.size() > 6);

        select(lists.fieldDetailView(), {0, 1, 2});
        w->CopyListItem();
        QCOMPARE(column(lists.myTable()), fields.mid(0, 3));
        QVERIFY(lists.myTable().headerData(0, Qt::Horizontal).toString().startsWith(QStringLiteral("My Table > 3 Fields ")));
        QCOMPARE(column(*w->options().fieldChooser()->model()), fields.mid(0, 3));
        QVERIFY(windowRegistry().slot(1).changed);

        // Move Down twice takes the first row to the end, still selected.
        select(lists.myTableView(), {0});
        w->MoveDown();
        w->MoveDown();
        w->MoveDown();
        QCOMPARE(column(lists.myTable()), QStringList({fields[1], fields[2], fields[0]}));
        QCOMPARE(lists.myTableView()->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(lists.myTableView()->currentIndex().row(), 2);

        select(lists.myTableView(), {1});
        QTest::mouseClick(lists.myTableView()->viewport(), Qt::LeftButton, {},
                          lists.myTableView()->visualRect(lists.myTable().index(1, 0)).center());
        QCOMPARE(panels().message(), fields[2] + QLatin1Char(' ') + lists.myTable().rows()[1].text);

        select(lists.myTableView(), {0, 2});
        w->RemoveField();
        QCOMPARE(column(lists.myTable()), QStringList{fields[2]});
        w->RemoveAllFields();
        QCOMPARE(lists.myTable().headerData(0, Qt::Horizontal).toString(), QStringLiteral("My Table > 0 Fields 0 Bytes"));
        QVERIFY(!commands().isEnabled(QStringLiteral("mqpreview")));
        QVERIFY(!commands().isEnabled(QStringLiteral("mremovefield")));

        // The strip's copy button copies and leaves the focus in the field list.
        select(lists.fieldDetailView(), {5});
        QTest::mouseClick(w->rowsStrip().button(0), Qt::LeftButton);
        QCOMPARE(column(lists.myTable()), QStringList{fields[5]});
    }

    void optionsAreComposed_data()
    {
        QTest::addColumn<QString>("contents");
        QTest::addColumn<QString>("conjunction");
        QTest::addColumn<bool>("added");
        QTest::addColumn<QString>("message");
        // "KNA1-KUNNR EQ " is 14 characters, " AND" 4 more.
        QTest::newRow("usual") << "'100'" << "AND" << true << QString();
        QTest::newRow("73") << QString(55, QLatin1Char('x')) << "AND" << false
                            << QStringLiteral("Option has 73, more than 72 characters");
    }

    void optionsAreComposed()
    {
        QFETCH(QString, contents);
        QFETCH(QString, conjunction);
        QFETCH(bool, added);
        QFETCH(QString, message);
        auto w = makeWindow();
        myTableBuffer().fields = {{"KNA1-KUNNR", "Customer Number", "C", 10}};
        w->PasteListItem();
        OptionsEditor& o = w->options();
        w->ShowOption();
        o.fieldChooser()->setCurrentIndex(0);
        o.operatorBox()->setCurrentIndex(0);
        o.contentsBox()->setText(contents);
        o.conjunctionBox()->setCurrentText(conjunction);
        QTest::mouseClick(o.addButton(), Qt::LeftButton);
        const QString line = "KNA1-KUNNR EQ " + contents + " " + conjunction;
        QCOMPARE(o.model().rowCount(), added ? 1 : 0);
        QCOMPARE(ui_.messageTexts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty()) QCOMPARE(ui_.messages[0].title, QString());
        QCOMPARE(o.addButton()->isHidden(), added);   // too long: the editor stays open
        if (!added) return;
        QCOMPARE(column(o.model()), QStringList{line});
        QCOMPARE(o.model().index(0).data(Qt::ForegroundRole).value<QColor>(), QColor(0, 0, 255));
        QVERIFY(commands().isEnabled(QStringLiteral("mremovealloptions")));

        // The same line again adds nothing and closes the editor silently.
        w->ShowOption();
        w->AddOption();
        QCOMPARE(o.model().rowCount(), 1);
        QVERIFY(o.addButton()->isHidden());
    }

    void optionsEditedAndRemoved()
    {
        auto w = makeWindow();
        OptionsEditor& o = w->options();
        o.RestoreOptions({QStringLiteral("KNA1-LAND1 EQ 'BR' "), QStringLiteral("KNA1-ORT01 EQ 'X' ")});
        windowRegistry().slot(1).changed = false;
        QVERIFY(!o.model().setData(o.model().index(0), QString(73, QLatin1Char('y'))));
        QCOMPARE(ui_.messageTexts(), QStringList{QStringLiteral("Option has 73, more than 72 characters")});
        QVERIFY(windowRegistry().slot(1).changed);   // also a refused edit marks the change
        QVERIFY(o.model().setData(o.model().index(0), QStringLiteral("KNA1-LAND1 EQ 'DE' ")));
        QCOMPARE(o.model().index(0).data().toString(), QStringLiteral("KNA1-LAND1 EQ 'DE' "));

        ui_.clear();
        ui_.messageAnswers = {MsgResult::No};
        w->RemoveAllOptions();
        QCOMPARE(ui_.messageTexts(), QStringList{QStringLiteral("Are you sure you want to remove all options?")});
        QCOMPARE(o.model().rowCount(), 2);
        o.listView()->selectionModel()->select(o.model().index(1), QItemSelectionModel::Select);
        w->RemoveOption();
        QCOMPARE(o.model().rowCount(), 1);
        ui_.messageAnswers = {MsgResult::Yes};
        w->RemoveAllOptions();
        QCOMPARE(o.model().rowCount(), 0);
        QCOMPARE(o.listView()->toolTip(), QStringLiteral("Right click to add option or click on option to edit"));
        QVERIFY(!commands().isEnabled(QStringLiteral("mremoveoption")));
        ui_.clear();
        w->RemoveAllOptions();
        QVERIFY(ui_.messages.isEmpty());
    }
};

QTEST_MAIN(TreeAndListsGuiTest)
#include "gui_tree_and_lists.moc"
