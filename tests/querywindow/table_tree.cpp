// The table tree without its control: building from and saving to the path list, names, New
// and label edits, Delete, Cut/Paste, Open/Close, counts, hints and messages.
#include "querywindow/TableTreeLogic.h"
#include "util/AppSettings.h"

#include <QTest>

using namespace qvor;

namespace {

TableTreeLogic built(const QStringList& paths)
{
    TableTreeLogic t;
    t.BuildTree(paths);
    return t;
}

int key(const TableTreeLogic& t, const QString& k) { return t.findKey(k); }

} // namespace

class TableTreeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { appSettings() = {}; }

    void buildSkipsEntriesWithoutParentAndUsesLastTwoComponents()
    {
        const TableTreeLogic t = built({"Sales", "Sales\\Customers", "Lost\\KNA1", "Sales\\Customers\\KNA1",
                                        "Far\\Away\\Customers\\VBAK", "Sales", "\\T000"});
        QCOMPARE(t.nodeCount(), 4);
        QCOMPARE(t.SaveTree(), (QStringList{"Sales", "Sales\\Customers", "Sales\\Customers\\KNA1",
                                            "Sales\\Customers\\VBAK"}));
        const TableTreeLogic::TreeStatus s = t.UpdateTreeStatus();
        QCOMPARE(s.caption, QStringLiteral("  Table > 2 Folders 2 Tables"));
        QCOMPARE(s.hint, QString());
    }

    void childrenSortedByTextWhileNodeOrderIsCreationOrder()
    {
        const TableTreeLogic t = built({"Zeta", "alpha", "Beta", "Beta\\T2", "Beta\\T1"});
        QStringList rootTexts;
        for (int id : t.rootNodes()) rootTexts << t.node(id)->text;
        QCOMPARE(rootTexts, (QStringList{"alpha", "Beta", "Zeta"}));
        const TreeNode* beta = t.node(key(t, "Beta"));
        QCOMPARE(t.node(beta->children.front())->text, QStringLiteral("T1"));
        QCOMPARE(t.SaveTree().last(), QStringLiteral("Beta\\T1"));
    }

    void emptyTreeAndHintThreshold()
    {
        TableTreeLogic t;
        QCOMPARE(t.UpdateTreeStatus().caption, QStringLiteral("  Table > 0 Folders 0 Tables"));
        QCOMPARE(t.UpdateTreeStatus().hint, QStringLiteral("Right click to add New Table"));
        appSettings().OptPT = true;
        QCOMPARE(t.UpdateTreeStatus().hint, QStringLiteral("Botão direito para adicionar Nova Tabela"));
        appSettings().OptPT = false;
        t.BuildTree({"A", "B", "C"});
        QVERIFY(!t.UpdateTreeStatus().hint.isEmpty());
        t.BuildTree({"D"});
        QVERIFY(t.UpdateTreeStatus().hint.isEmpty());
    }

    void saveTreeCapsAt999()
    {
        QStringList many;
        for (int i = 0; i < 1200; ++i) many << QStringLiteral("T%1").arg(i);
        const QStringList saved = built(many).SaveTree();
        QCOMPARE(saved.size(), 999);
        QCOMPARE(saved.last(), QStringLiteral("T998"));
    }

    void validateFolder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("message");
        QTest::newRow("digits") << "123" << false << "No numbers allowed";
        QTest::newRow("signed exponent with blanks") << " -1.5e3 " << false << "No numbers allowed";
        QTest::newRow("leading point") << "+.5" << false << "No numbers allowed";
        QTest::newRow("trailing point") << "12." << false << "No numbers allowed";
        QTest::newRow("half an exponent") << "1e" << true << "";
        QTest::newRow("table name with digits") << "T001" << true << "";
        QTest::newRow("empty: silent") << "" << false << "";
        QTest::newRow("existing text") << "Sales" << false << "Sales already exists";
        QTest::newRow("case counts") << "sales" << true << "";
    }
    void validateFolder()
    {
        QFETCH(QString, name);
        const TableTreeLogic t = built({"Sales", "Sales\\KNA1"});
        const TableTreeLogic::Validation v = t.ValidateFolder(name);
        QTEST(v.ok, "ok");
        QTEST(v.message, "message");
    }

    void newTableUnderTableThenNamed()
    {
        TableTreeLogic t = built({"Sales", "Sales\\KNA1"});
        const TableTreeLogic::NewFolderResult n = t.NewFolder("Table", key(t, "KNA1"));
        QVERIFY(n.message.isEmpty());
        QCOMPARE(t.node(n.editNode)->parent, key(t, "KNA1"));
        QCOMPARE(t.editingNode(), n.editNode);

        // Refusals keep the placeholder in edit mode.
        TableTreeLogic::LabelEditResult r = t.EndLabelEdit("123");
        QVERIFY(!r.accepted);
        QCOMPARE(r.message, QStringLiteral("No numbers allowed"));
        QCOMPARE(t.editingNode(), n.editNode);
        r = t.EndLabelEdit("");
        QVERIFY(!r.accepted);
        QVERIFY(r.message.isEmpty());
        r = t.EndLabelEdit("Table");   // its own unchanged text
        QCOMPARE(r.message, QStringLiteral("Table already exists"));

        r = t.EndLabelEdit("KNVV");
        QVERIFY(r.accepted);
        QVERIFY(r.validateTable);
        QCOMPARE(t.findKey("Table"), -1);
        QCOMPARE(r.currentNode, key(t, "KNVV"));
        QCOMPARE(t.fullPath(r.currentNode), QStringLiteral("Sales\\KNA1\\KNVV"));
        QCOMPARE(t.editingNode(), -1);
    }

    void newFolderAndRootPlacement()
    {
        TableTreeLogic t = built({"Sales", "Sales\\KNA1"});
        t.NewFolder("Folder", key(t, "Sales"));
        TableTreeLogic::LabelEditResult r = t.EndLabelEdit("Customers");
        QVERIFY(!r.validateTable);
        QCOMPARE(t.fullPath(r.currentNode), QStringLiteral("Sales\\Customers"));

        t.NewFolder("Root", key(t, "KNA1"));
        r = t.EndLabelEdit("Finance");
        QCOMPARE(t.node(r.currentNode)->parent, -1);

        t.NewFolder("Table", -1);   // nothing selected: root level
        r = t.EndLabelEdit("T000");
        QCOMPARE(t.node(r.currentNode)->parent, -1);
        QCOMPARE(t.nodeCount(), 5);
    }

    void newRefusedWhenPlaceholderTextExists()
    {
        TableTreeLogic t = built({"Folder"});
        const TableTreeLogic::NewFolderResult n = t.NewFolder("Folder", key(t, "Folder"));
        QCOMPARE(n.message, QStringLiteral("Folder already exists"));
        QCOMPARE(n.editNode, -1);
        QCOMPARE(t.nodeCount(), 1);
    }

    void cancelledNewNodeDisappears()
    {
        TableTreeLogic t = built({"Sales"});
        t.NewFolder("Table", key(t, "Sales"));
        t.CancelLabelEdit();
        QCOMPARE(t.nodeCount(), 1);
        QCOMPARE(t.editingNode(), -1);
    }

    void renameKeepsKeyAndSavesNewText()
    {
        TableTreeLogic t = built({"Sales", "Sales\\KNA1"});
        t.RenameFolder(key(t, "Sales"));
        const TableTreeLogic::LabelEditResult r = t.EndLabelEdit("Customers");
        QVERIFY(r.accepted);
        QVERIFY(!r.validateTable);
        QCOMPARE(t.node(key(t, "Sales"))->text, QStringLiteral("Customers"));
        QCOMPARE(t.findKey("Customers"), -1);
        QCOMPARE(t.SaveTree(), (QStringList{"Customers", "Customers\\KNA1"}));

        // A new node named like a renamed node's old key still gets its own node.
        t.NewFolder("Root", -1);
        const TableTreeLogic::LabelEditResult r2 = t.EndLabelEdit("Sales");
        QVERIFY(r2.accepted);
        QCOMPARE(t.node(r2.currentNode)->text, QStringLiteral("Sales"));
        QCOMPARE(t.nodeCount(), 3);
    }

    void deleteAsksOnlyForUserFolders()
    {
        TableTreeLogic t = built({"Sales", "Sales\\KNA1", "Sales\\KNA1\\Notes", "T000"});
        QCOMPARE(t.removeQuestion("Sales", "user"),
                 QStringLiteral("Are you sure you want to delete folder 'Sales'?"));
        QVERIFY(t.removeQuestion("Sales", "yes").isEmpty());
        QVERIFY(t.removeQuestion("T000", "user").isEmpty());
        appSettings().OptPT = true;
        QCOMPARE(t.removeQuestion("Sales", "user"),
                 QStringLiteral("Tem certeza de que deseja excluir a pasta 'Sales'?"));

        t.beginOpenClose(key(t, "Notes"));   // open, so its fields must go too
        const QStringList fieldsToRemove = t.RemoveTableNo("KNA1");
        QCOMPARE(fieldsToRemove, (QStringList{"KNA1", "Notes"}));
        QCOMPARE(t.SaveTree(), (QStringList{"Sales", "T000"}));
        QCOMPARE(t.UpdateTreeStatus().caption, QStringLiteral("  Table > 0 Folders 2 Tables"));
        t.RemoveTableNo("nothing");   // unknown key: nothing happens
        QCOMPARE(t.nodeCount(), 2);
    }

    void cutAndPasteSubtree()
    {
        TableTreeLogic t = built({"Old", "Old\\Sales", "Old\\Sales\\KNA1", "Old\\Sales\\KNA1\\Notes", "Archive",
                                  "Old\\Sales\\KNA10"});
        QVERIFY(t.CutTable(key(t, "KNA1")));
        QVERIFY(t.pasteAvailable());
        QCOMPARE(t.node(key(t, "Notes"))->colour, TreeNodeColour::Workspace);
        QCOMPARE(t.node(key(t, "KNA10"))->colour, TreeNodeColour::Default);

        const TableTreeLogic::PasteResult r = t.PasteTable(key(t, "Archive"));
        QVERIFY(r.pasted);
        QCOMPARE(t.SaveTree(), (QStringList{"Old", "Old\\Sales", "Archive", "Old\\Sales\\KNA10", "Archive\\KNA1",
                                            "Archive\\KNA1\\Notes"}));
        QCOMPARE(r.target, key(t, "Archive"));
        QCOMPARE(t.node(r.target)->picture, 2);
        QCOMPARE(t.fullPath(key(t, "Notes")), QStringLiteral("Archive\\KNA1\\Notes"));
        QCOMPARE(t.node(key(t, "Notes"))->colour, TreeNodeColour::Default);
        QCOMPARE(t.fullPath(key(t, "KNA10")), QStringLiteral("Old\\Sales\\KNA10"));
        QCOMPARE(t.nodeCount(), 6);
        QVERIFY(!t.pasteAvailable());
    }

    void pasteRefusals_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("onto itself") << "KNA1";
        QTest::newRow("inside the cut subtree") << "Notes";
        QTest::newRow("nothing selected") << "";
    }
    void pasteRefusals()
    {
        QFETCH(QString, target);
        TableTreeLogic t = built({"Old", "Old\\KNA1", "Old\\KNA1\\Notes", "Archive"});
        t.CutTable(key(t, "KNA1"));
        const QStringList before = t.SaveTree();
        const TableTreeLogic::PasteResult r = t.PasteTable(target.isEmpty() ? -1 : key(t, target));
        QVERIFY(!r.pasted);
        QCOMPARE(t.SaveTree(), before);
    }

    void cutWithoutSelection()
    {
        TableTreeLogic t = built({"A"});
        QVERIFY(!t.CutTable(-1));
        QVERIFY(!t.pasteAvailable());
    }

    // Another window changed the shared tree: this one rebuilds from the list and keeps its own
    // open tables, unfolded folders and cut mark; open tables that are gone are handed back.
    void followingTheSharedTree()
    {
        TableTreeLogic t = built({"Sales", "Sales\\KNA1", "Sales\\VBAK", "Finance", "Finance\\T001", "Old"});
        for (const char* open : {"KNA1", "VBAK", "T001"}) {
            t.beginOpenClose(key(t, open));
            t.markOpened(key(t, open));
        }
        t.setExpanded(key(t, "Sales"), true);
        t.CutTable(key(t, "Old"));
        // There: VBAK deleted, Finance renamed to Accounting, KNA1 moved under it, Archive added.
        const QStringList gone = t.followSharedTree({"Sales", "Accounting", "Accounting\\T001", "Old",
                                                     "Accounting\\KNA1", "Archive"});
        QCOMPARE(gone, QStringList{"VBAK"});
        QCOMPARE(t.SaveTree(), (QStringList{"Sales", "Accounting", "Accounting\\T001", "Old", "Accounting\\KNA1",
                                            "Archive"}));
        for (const char* open : {"KNA1", "T001"}) {
            QCOMPARE(t.node(key(t, open))->picture, 2);
            QCOMPARE(t.node(key(t, open))->colour, TreeNodeColour::Blue);
        }
        QCOMPARE(t.node(key(t, "Sales"))->picture, 2);
        QCOMPARE(t.node(key(t, "Archive"))->picture, 1);
        QCOMPARE(t.node(key(t, "Old"))->colour, TreeNodeColour::Workspace);
        QVERIFY(t.PasteTable(key(t, "Archive")).pasted);
    }

    void openAndClose()
    {
        TableTreeLogic t = built({"Sales", "Sales\\KNA1"});
        const int kna1 = key(t, "KNA1");
        QCOMPARE(t.beginOpenClose(key(t, "Sales")), TableTreeLogic::OpenAction::None);
        QCOMPARE(t.beginOpenClose(kna1), TableTreeLogic::OpenAction::Open);
        QCOMPARE(t.node(kna1)->picture, 2);
        // A failed catalogue read leaves picture 2 and the colour; the next click closes.
        QCOMPARE(t.node(kna1)->colour, TreeNodeColour::Default);
        QCOMPARE(t.beginOpenClose(kna1), TableTreeLogic::OpenAction::Close);
        QCOMPARE(t.node(kna1)->picture, 1);
        QCOMPARE(t.node(kna1)->colour, TreeNodeColour::Black);
        t.beginOpenClose(kna1);
        t.markOpened(kna1);
        QCOMPARE(t.node(kna1)->colour, TreeNodeColour::Blue);
    }

    void messages()
    {
        QCOMPARE(TableTreeLogic::openedMessage("KNA1", 180, 245), QStringLiteral("KNA1 has 180 of 245 Total Fields"));
        appSettings().OptPT = true;
        QCOMPARE(TableTreeLogic::tableAddedMessage("kna1", 180),
                 QStringLiteral("kna1 com 180 Campos adicionada com sucesso. "));
    }
};

QTEST_GUILESS_MAIN(TableTreeTest)
#include "table_tree.moc"
