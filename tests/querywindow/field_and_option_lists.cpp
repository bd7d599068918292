// The field list, My Table, the options list with its composer, and the row-limit rule.
#include "querywindow/FieldListModel.h"
#include "querywindow/FieldTypePicture.h"
#include "querywindow/MyTableModel.h"
#include "querywindow/OptionComposer.h"
#include "querywindow/OptionsListModel.h"
#include "querywindow/RowLimitRule.h"
#include "util/AppSettings.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using namespace qvor;

namespace {

std::vector<FieldEntry> catalogue(const QStringList& names, int length = 10)
{
    std::vector<FieldEntry> out;
    for (const QString& n : names) out.push_back({n, n + QStringLiteral(" text"), QStringLiteral("C"), length});
    return out;
}

MyTableField field(const QString& name, int16_t length = 10)
{
    return {name, name + QStringLiteral(" text"), QStringLiteral("C"), length};
}

QStringList shownNames(const MyTableModel& m)
{
    QStringList out;
    for (const MyTableRow& r : m.rows()) out << r.name;
    return out;
}

QStringList fieldNames(const FieldListModel& m)
{
    QStringList out;
    for (const FieldListRow& r : m.rows()) out << r.name;
    return out;
}

} // namespace

class FieldAndOptionListsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { appSettings() = {}; }

    // ---- field list

    void closingOneTableKeepsTheOtherEvenWithCommonPrefix()
    {
        FieldListModel m;
        QCOMPARE(m.addTableFields("t001", catalogue({"BUKRS", "BUTXT"})), 2);
        QCOMPARE(m.addTableFields("T001W", catalogue({"WERKS", "NAME1"})), 2);
        QCOMPARE(m.addTableFields("T001", catalogue({"BUKRS"})), 0);   // already listed
        QCOMPARE(fieldNames(m), (QStringList{"T001-BUKRS", "T001-BUTXT", "T001W-WERKS", "T001W-NAME1"}));
        m.removeTableFields("T001");
        QCOMPARE(fieldNames(m), (QStringList{"T001W-WERKS", "T001W-NAME1"}));
        m.removeTableFields("t001w");
        QCOMPARE(m.rowCount(), 0);
        QCOMPARE(m.addTableFields("T001", catalogue({"BUKRS"})), 1);   // may come back after closing
    }

    void fieldListCellsAndPictures()
    {
        FieldListModel m;
        m.addTableFields("KNA1", {{"KUNNR", "Customer Number", "C", 10}, {"UMSAT", "Sales", "P", 8},
                                  {"NODE", "Node", "s", 4}, {"ODD", "Odd", "Q", 1}});
        QCOMPARE(m.data(m.index(0, 0)).toString(), QStringLiteral("KNA1-KUNNR"));
        QCOMPARE(m.data(m.index(0, 2), Qt::ToolTipRole).toString(), QStringLiteral("Customer Number"));
        const QList<int> pictures{m.data(m.index(1, 0), PictureRole).toInt(), m.data(m.index(2, 0), PictureRole).toInt(),
                                  m.data(m.index(3, 0), PictureRole).toInt()};
        QCOMPARE(pictures, (QList<int>{5, 11, 3}));
    }

    void fieldListTip()
    {
        FieldListModel m;
        QVERIFY(!m.UpdateFieldListTip().commandsEnabled);
        QCOMPARE(m.UpdateFieldListTip().hint, QStringLiteral("Select fields and right click to copy to My Table"));
        m.addTableFields("T000", catalogue({"MANDT"}));
        QVERIFY(m.UpdateFieldListTip().commandsEnabled);
        QVERIFY(m.UpdateFieldListTip().hint.isEmpty());
    }

    void largeFieldListStaysFast()
    {
        FieldListModel m;
        QStringList names;
        for (int i = 0; i < 2500; ++i) names << QStringLiteral("F%1").arg(i);
        QElapsedTimer timer;
        timer.start();
        m.addTableFields("KNA1", catalogue(names.mid(0, 300)));
        m.addTableFields("BSEG", catalogue(names));
        m.addTableFields("BKPF", catalogue(names.mid(0, 300)));
        m.removeTableFields("BSEG");
        QCOMPARE(m.rowCount(), 600);
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    }

    // ---- My Table

    void copyAppendsOnlyMissingFieldsInListOrder()
    {
        FieldListModel fields;
        fields.addTableFields("KNA1", catalogue({"A", "B", "C"}));
        MyTableModel my;
        my.PasteListItem(fields.selectedFields({1}));
        QCOMPARE(my.PasteListItem(fields.selectedFields({2, 0, 1})).appended, 2);
        QCOMPARE(shownNames(my), (QStringList{"KNA1-B", "KNA1-A", "KNA1-C"}));
        QCOMPARE(my.PasteListItem(fields.selectedFields({0, 1, 2})).appended, 0);
    }

    void movesThenCopyKeepOrder()
    {
        MyTableModel my;
        my.PasteListItem({field("A"), field("B", 20), field("C", 30)});
        QCOMPARE(my.MoveUp(0), -1);
        QCOMPARE(my.MoveDown(2), -1);
        QCOMPARE(my.MoveDown(0), 1);
        QCOMPARE(my.MoveDown(1), 2);
        QCOMPARE(shownNames(my), (QStringList{"B", "C", "A"}));
        QCOMPARE(my.rows()[0].length, int16_t(20));
        QCOMPARE(my.rows()[0].identity, QStringLiteral("A"));   // contents moved, identities not

        const MyTableModel::PasteResult r = my.PasteListItem({field("A"), field("D")});
        QVERIFY(r.redone);
        QCOMPARE(r.appended, 1);
        QCOMPARE(shownNames(my), (QStringList{"B", "C", "A", "D"}));
        for (const MyTableRow& row : my.rows()) QCOMPARE(row.identity, row.name);
    }

    void removeFieldsByIdentity()
    {
        MyTableModel my;
        my.PasteListItem({field("A"), field("B"), field("C"), field("D")});
        my.MoveDown(0);   // B A C D, identities A B C D
        QCOMPARE(my.RemoveField({0, 2, 3}), 3);
        QCOMPARE(shownNames(my), QStringList{"A"});
        QVERIFY(my.RemoveAllFields());
        QVERIFY(!my.RemoveAllFields());
    }

    void statusHeaderBytesAndCommands()
    {
        MyTableModel my;
        QCOMPARE(my.headerData(0, Qt::Horizontal).toString(), QStringLiteral("My Table"));
        QCOMPARE(my.QTableName(), QString());
        my.PasteListItem({field("KNA1-KUNNR", 10), field("KNA1-NAME1", 35)});
        MyTableModel::Status s = my.UpdateMyTableStatus();
        QCOMPARE(s.header, QStringLiteral("My Table > 2 Fields 45 Bytes"));
        QCOMPARE(my.headerData(0, Qt::Horizontal).toString(), s.header);
        QCOMPARE(s.chooserNames, (QStringList{"KNA1-KUNNR", "KNA1-NAME1"}));
        QVERIFY(s.commandsEnabled);
        QCOMPARE(my.QTableName(), QStringLiteral("KNA1"));
        QCOMPARE(my.rowMessage(1), QStringLiteral("KNA1-NAME1 KNA1-NAME1 text"));

        my.RemoveAllFields();
        s = my.UpdateMyTableStatus();
        QCOMPARE(s.header, QStringLiteral("My Table > 0 Fields 0 Bytes"));
        QVERIFY(!s.commandsEnabled);
        QVERIFY(s.chooserNames.isEmpty());

        my.PasteListItem({field("X", 20000), field("Y", 20000)});
        QCOMPARE(my.TotalBytes(), int16_t(32767));
    }

    // ---- options

    void compose_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("conjunction");
        QTest::addColumn<QString>("line");
        QTest::newRow("full") << "KNA1-KUNNR" << "EQ" << "'100'" << "AND" << "KNA1-KUNNR EQ '100' AND";
        QTest::newRow("no conjunction") << "KNA1-KUNNR" << "EQ" << "'100'" << "" << "KNA1-KUNNR EQ '100' ";
        QTest::newRow("between") << "KNA1-KUNNR" << "BETWEEN" << "'100' AND '200'" << ""
                                 << "KNA1-KUNNR BETWEEN '100' AND '200' ";
        QTest::newRow("nothing") << "" << "" << "" << "" << "   ";
        QTest::newRow("value kept as typed") << "KNA1-ORT01" << "LIKE" << " 'S%'  " << "OR"
                                             << "KNA1-ORT01 LIKE  'S%'   OR";
    }
    void compose()
    {
        QFETCH(QString, field);
        QFETCH(QString, op);
        QFETCH(QString, value);
        QFETCH(QString, conjunction);
        QTEST(OptionComposer::compose(field, op, value, conjunction), "line");
    }

    void addOptionLimitsBlankAndDuplicates()
    {
        OptionsListModel m;
        const QString line72 = OptionComposer::compose("KNA1-KUNNR", "EQ", QString(54, 'x'), "AND");
        const QString line73 = OptionComposer::compose("KNA1-KUNNR", "EQ", QString(55, 'x'), "AND");
        QCOMPARE(line72.size(), 72);

        OptionsListModel::AddResult r = m.AddOption(line73);
        QCOMPARE(r.message, QStringLiteral("Option has 73, more than 72 characters"));
        QVERIFY(!r.added);
        QVERIFY(!r.hideEditor);

        r = m.AddOption(line72);
        QVERIFY(r.added && r.hideEditor && r.message.isEmpty());
        r = m.AddOption(line72);
        QVERIFY(!r.added && r.hideEditor && r.message.isEmpty());
        r = m.AddOption("   ");
        QVERIFY(!r.added && r.hideEditor && r.message.isEmpty());
        QCOMPARE(m.rowCount(), 1);
    }

    void inPlaceEditChangesTextNotKey()
    {
        OptionsListModel m;
        m.AddOption("L1");
        QSignalSpy edited(&m, &OptionsListModel::lineEdited);
        QVERIFY(m.setData(m.index(0), QStringLiteral("X")));
        QCOMPARE(edited.count(), 1);
        QCOMPARE(m.entries()[0].key, QStringLiteral("L1"));
        QVERIFY(!m.AddOption("L1").added);
        QVERIFY(m.AddOption("X").added);
        QCOMPARE(m.lines(), (QStringList{"X", "X"}));

        QVERIFY(!m.setData(m.index(1), QString(73, 'y')));
        QCOMPARE(edited.last().at(1).toString(), QStringLiteral("Option has 73, more than 72 characters"));
        QCOMPARE(m.lines(), (QStringList{"X", "X"}));
    }

    void restoreAndRemove()
    {
        OptionsListModel m;
        QVERIFY(m.removeAllQuestion().isEmpty());
        m.RestoreOptions({"L1", "L2", "L1", "L3", QString(80, 'z')});
        QCOMPARE(m.lines(), (QStringList{"L1", "L2", "L3", QString(80, 'z')}));
        QCOMPARE(m.RemoveOption({3, 1}), 2);
        QCOMPARE(m.lines(), (QStringList{"L1", "L3"}));
        QCOMPARE(m.RemoveOption({}), 0);
        QCOMPARE(m.removeAllQuestion(), QStringLiteral("Are you sure you want to remove all options?"));
        appSettings().OptPT = true;
        QCOMPARE(m.removeAllQuestion(), QStringLiteral("Tem certeza de que deseja remover todas opções?"));
        m.removeAll();
        QCOMPARE(m.rowCount(), 0);
    }

    void statusColoursHintsAndCommands()
    {
        OptionsListModel m;
        m.AddOption("KNA1-KUNNR EQ '1' AND");
        m.AddOption("KNA1-LAND1 EQ 'BR'");
        const QList<MyTableMention> myTable{{"KNA1-NAME1", "Name"}, {"KNA1-KUNNR", "Customer Number"}};
        OptionsListModel::Status s = m.UpdateOptionsStatus(myTable);
        QCOMPARE(s.header, QStringLiteral("Options > 2"));
        QCOMPARE(m.headerData(0, Qt::Horizontal).toString(), s.header);
        QVERIFY(s.commandsEnabled);
        QVERIFY(s.listHint.isEmpty());
        QVERIFY(m.entries()[0].blue);
        QCOMPARE(m.data(m.index(0), Qt::ToolTipRole).toString(), QStringLiteral("Customer Number"));
        QVERIFY(!m.entries()[1].blue);
        QVERIFY(m.entries()[1].hint.isEmpty());

        // Without the field in My Table the line turns black but keeps its last hint.
        s = m.UpdateOptionsStatus({});
        QVERIFY(!m.entries()[0].blue);
        QCOMPARE(m.entries()[0].hint, QStringLiteral("Customer Number"));

        m.removeAll();
        s = m.UpdateOptionsStatus(myTable);
        QCOMPARE(s.header, QStringLiteral("Options > 0"));
        QVERIFY(!s.commandsEnabled);
        QCOMPARE(s.listHint, QStringLiteral("Right click to add option or click on option to edit"));
    }

    // ---- row limit

    void rowLimit_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("sRowsChanged");
        QTest::addColumn<long>("sRows");
        QTest::addColumn<bool>("allRowsTouched");
        QTest::addColumn<bool>("allRowsChecked");
        QTest::newRow("letters erased") << "abc" << "" << false << 77L << false << false;
        QTest::newRow("thousands separator erased") << "1,000" << "" << false << 77L << false << false;
        QTest::newRow("empty stays empty") << "" << "" << false << 77L << false << false;
        QTest::newRow("fifty") << "50" << "50" << true << 50L << true << false;
        QTest::newRow("zero checks All Rows") << "0" << "0" << true << 0L << true << true;
        QTest::newRow("above the cap") << "99999999999" << "2147483647" << true << 2147483647L << true << false;
        QTest::newRow("far above the cap") << "1e400" << "2147483647" << true << 2147483647L << true << false;
        QTest::newRow("below the floor") << "-99999999999" << "-2147483648" << true << -2147483648L << true << false;
        QTest::newRow("half to even down") << "2.5" << "2.5" << true << 2L << true << false;
        QTest::newRow("half to even up") << "3.5" << "3.5" << true << 4L << true << false;
        QTest::newRow("blanks around") << " 12 " << " 12 " << true << 12L << true << false;
        QTest::newRow("rounds to zero") << "0.4" << "0.4" << true << 0L << true << true;
    }
    void rowLimit()
    {
        QFETCH(QString, text);
        const RowLimitRule::Result r = RowLimitRule::textChanged(text, 77);
        QTEST(r.text, "shown");
        QTEST(r.sRowsChanged, "sRowsChanged");
        QTEST(r.sRows, "sRows");
        QTEST(r.allRowsTouched, "allRowsTouched");
        if (r.allRowsTouched) QTEST(r.allRowsChecked, "allRowsChecked");
        QCOMPARE(r.textReplaced, r.text != text);
    }

};

QTEST_GUILESS_MAIN(FieldAndOptionListsTest)
#include "field_and_option_lists.moc"
