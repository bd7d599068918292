// Cutting My Table into RFC_READ_TABLE calls: runs of one table, halving by field count until a
// data line fits 512 characters, option ranges per table and the options list's final colours.
#include "support/ScriptedUiServices.h"
#include "tableaccess/CallGroups.h"

#include <QtTest>

using namespace qvor;

namespace {

MyTableBuffer fieldsOf(const QList<QPair<QString, int>>& list)
{
    MyTableBuffer b;
    for (const auto& [name, length] : list) b.fields.push_back({name, name + QStringLiteral(" text"), QStringLiteral("C"), static_cast<int16_t>(length)});
    return b;
}

MyTableBuffer oneTable(const QList<int>& lengths, const QString& table = QStringLiteral("BSEG"))
{
    QList<QPair<QString, int>> list;
    for (int i = 0; i < lengths.size(); ++i) list.append({table + QStringLiteral("-F%1").arg(i + 1), lengths[i]});
    return fieldsOf(list);
}

// "table first..last" per group, for compact comparisons.
QStringList describe(const CallGroups& g)
{
    QStringList out;
    for (const auto& c : g.groups()) out << QStringLiteral("%1 %2..%3").arg(c.table).arg(c.firstField).arg(c.lastField);
    return out;
}

} // namespace

class CallGroupsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void splitting_data()
    {
        QTest::addColumn<QList<int>>("lengths");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("fits in one call") << QList<int>{10, 35, 400} << QStringList{"BSEG 1..3"};
        // 512 exactly is allowed, 513 is not (two fields of 255 + separator + 256).
        QTest::newRow("exactly 512") << QList<int>{255, 256} << QStringList{"BSEG 1..2"};
        QTest::newRow("513 splits") << QList<int>{256, 256} << QStringList{"BSEG 1..1", "BSEG 2..2"};
        QTest::newRow("300 200 100") << QList<int>{300, 200, 100} << QStringList{"BSEG 1..1", "BSEG 2..3"};
        // 2.5 rounds to the even 2, so the first split keeps only one field in front.
        QTest::newRow("four of 200") << QList<int>{200, 200, 200, 200}
                                     << QStringList{"BSEG 1..1", "BSEG 2..2", "BSEG 3..4"};
        QTest::newRow("five of 200") << QList<int>{200, 200, 200, 200, 200}
                                     << QStringList{"BSEG 1..2", "BSEG 3..3", "BSEG 4..5"};
        QTest::newRow("single field of 512") << QList<int>{512} << QStringList{"BSEG 1..1"};
    }
    void splitting()
    {
        QFETCH(QList<int>, lengths);
        QFETCH(QStringList, expected);
        const MyTableBuffer fields = oneTable(lengths);
        CallGroups g;
        AppError error;
        QVERIFY(g.build(fields, {}, &error));
        QCOMPARE(describe(g), expected);
        for (int k = 1; k <= g.count(); ++k) QVERIFY(g.TotalBuffer(fields, k) <= 512);
    }

    void manyNarrowFieldsStayWithinTheLimit()
    {
        QList<int> lengths;
        for (int i = 0; i < 999; ++i) lengths << 3;
        const MyTableBuffer fields = oneTable(lengths);
        CallGroups g;
        QVERIFY(g.build(fields, {}, nullptr));
        int next = 1;
        for (int k = 1; k <= g.count(); ++k) {
            QCOMPARE(g.group(k).firstField, next);
            QVERIFY(g.TotalBuffer(fields, k) <= 512);
            next = g.group(k).lastField + 1;
        }
        QCOMPARE(next, 1000);
        QCOMPARE(g.count(), 8);
    }

    void groupListFullFails()
    {
        test::ScriptedUiServices ui;
        CallGroups groups;
        QVERIFY(!ReadLIMytable(oneTable({10, 513}), {}, groups));
        QCOMPARE(ui.messageTexts(), QStringList{"Error 9: Subscript out of range on ReadLIMytable"});
        // The room is ten groups per run: two runs leave room for twenty, still not enough.
        AppError error;
        QVERIFY(!groups.build(fieldsOf({{"KNA1-A", 1000}, {"KNB1-B", 5}}), {}, &error));
        QCOMPARE(error.number, 9);
        // Halving by count cannot spread 999 fields of 10 over ten calls of one table.
        QList<int> tens;
        for (int i = 0; i < 999; ++i) tens << 10;
        QVERIFY(!groups.build(oneTable(tens), {}, &error));
    }

    void emptyMyTableGivesFalseWithoutMessage()
    {
        test::ScriptedUiServices ui;
        CallGroups groups;
        QVERIFY(!ReadLIMytable({}, {}, groups));
        QCOMPARE(groups.count(), 0);
        QVERIFY(ui.messages.isEmpty());
    }

    void runsAndOptionRanges()
    {
        // KNA1, KNB1, KNA1 again: three runs, each with the options of its own table; the option
        // range runs from the first to the last line naming the table, lines between included.
        const MyTableBuffer fields = fieldsOf({{"KNA1-KUNNR", 10}, {"KNA1-NAME1", 35}, {"KNB1-BUKRS", 4}, {"KNA1-LAND1", 3}});
        OptionsBuffer options;
        options.lines = QStringList{"KNA1-LAND1 = 'DE'", "AND KNB1-BUKRS = '1000'", "OR KNA1-LAND1 = 'PT'",
                                    "KNVV-VKORG = '1000'", "AND NAME1 LIKE 'KNB1-%'"};
        QCOMPARE(CallGroups::countRuns(fields), 3);
        CallGroups g;
        QVERIFY(ReadLIMytable(fields, options, g));
        QCOMPARE(describe(g), (QStringList{"KNA1 1..2", "KNB1 3..3", "KNA1 4..4"}));
        QCOMPARE(g.group(1).firstOption, 1);
        QCOMPARE(g.group(1).lastOption, 3);
        // The table name in a value counts too.
        QCOMPARE(g.group(2).firstOption, 2);
        QCOMPARE(g.group(2).lastOption, 5);
        QCOMPARE(g.group(3).firstOption, 1);
        // The last group's table decides the colours.
        QCOMPARE(g.blueOptions(), (std::vector<bool>{true, false, true, false, false}));
    }

    void groupWithoutOptionsKeepsZeroRange()
    {
        OptionsBuffer options;
        options.lines = QStringList{"KNA1-LAND1 = 'DE'"};
        CallGroups g;
        QVERIFY(g.build(fieldsOf({{"T001-BUKRS", 4}}), options, nullptr));
        QCOMPARE(g.group(1).firstOption, 0);
        QCOMPARE(g.group(1).lastOption, 0);
        QCOMPARE(options.option(0), QString());
        QCOMPARE(g.blueOptions(), std::vector<bool>{false});
    }

    void similarTableNamesAreDistinct()
    {
        // T001 and T001W are different tables; "T001-" does not occur in "T001W-WERKS".
        const MyTableBuffer fields = fieldsOf({{"T001-BUKRS", 4}, {"T001W-WERKS", 4}});
        OptionsBuffer options;
        options.lines = QStringList{"T001W-WERKS = '1000'"};
        CallGroups g;
        QVERIFY(g.build(fields, options, nullptr));
        QCOMPARE(g.group(1).firstOption, 0);
        QCOMPARE(g.group(2).firstOption, 1);
    }
};

QTEST_GUILESS_MAIN(CallGroupsTest)
#include "call_groups.moc"
