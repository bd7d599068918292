// Joining calls by key: the sorter behind it (spilling, stability, input already in order), the
// plan (key fields carried, shared keys), and joins of one and of several tables whose rows
// arrive in different orders, with missing and repeated matches.
#include "tableaccess/KeyAgreementCheck.h"
#include "tableaccess/KeyJoin.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace qvor;

namespace {

MyTableField field(const QString& name, int length, const QString& type = "C")
{
    return {name, name.section('-', 1), type, static_cast<int16_t>(length)};
}

// A data line with the values padded to the lengths, back to back.
std::string line(const std::vector<int>& lengths, const QStringList& values)
{
    QString l;
    for (std::size_t i = 0; i < lengths.size(); ++i) l += values.value(int(i)).leftJustified(lengths[i], ' ', true);
    return l.toStdString();
}

const TableKeys keys{
    {"KNA1", {{"MANDT", 3, true}, {"KUNNR", 10}}},
    {"KNB1", {{"MANDT", 3, true}, {"KUNNR", 10}, {"BUKRS", 4}}},
    {"T001", {{"MANDT", 3, true}, {"BUKRS", 4}}},
    {"MARA", {{"MANDT", 3, true}, {"MATNR", 18}}},
    {"KNVV", {{"MANDT", 3, true}, {"KUNNR", 10}, {"VKORG", 4}}},
};

KeyJoinPlan planFor(const MyTableBuffer& fields, int reservedSplitWidth = 0)
{
    CallGroups groups;
    auto widths = KeyJoinPlan::keyWidths(keys);
    if (reservedSplitWidth) for (auto& [t, w] : widths) w = reservedSplitWidth;
    if (!groups.build(fields, {}, nullptr, widths)) qFatal("groups");
    KeyJoinPlan::Problem problem;
    auto plan = KeyJoinPlan::build(fields, groups, keys, &problem);
    if (!plan) qFatal("plan");
    return *plan;
}

// The joined rows with trailing blanks removed, values joined by "|".
QStringList joined(KeyJoin& join)
{
    QStringList rows;
    if (!join.prepare()) return {"<prepare failed>"};
    std::vector<std::string_view> values;
    while (join.next(values)) {
        QStringList cells;
        for (auto v : values) cells << QString::fromUtf8(v.data(), qsizetype(v.size())).trimmed();
        rows << cells.join('|');
    }
    if (join.failed()) rows << "<failed>";
    return rows;
}

void shuffle(std::vector<std::string>& lines, quint32 seed)
{
    QRandomGenerator random(seed);
    std::shuffle(lines.begin(), lines.end(), random);
}

} // namespace

class KeyJoinTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sorterOrdersStably_data()
    {
        QTest::addColumn<int>("memoryLimit");
        QTest::addColumn<bool>("inOrder");
        QTest::newRow("in memory, shuffled") << (1 << 20) << false;
        QTest::newRow("spilled, shuffled") << 200 << false;
        QTest::newRow("spilled, in order") << 200 << true;
    }
    void sorterOrdersStably()
    {
        QFETCH(int, memoryLimit);
        QFETCH(bool, inOrder);
        RecordSorter sorter(static_cast<std::size_t>(memoryLimit));
        std::vector<std::pair<std::string, int>> records;
        QRandomGenerator random(7);
        for (int i = 0; i < 500; ++i) records.emplace_back(QString::number(random.bounded(60)).toStdString(), i);
        if (inOrder) std::stable_sort(records.begin(), records.end(), [](auto& a, auto& b) { return a.first < b.first; });
        for (const auto& [key, n] : records) QVERIFY(sorter.add(key, std::to_string(n)));
        QVERIFY(sorter.finish());
        QCOMPARE(sorter.arrivedSorted(), inOrder);
        QCOMPARE(sorter.spilled(), memoryLimit < 1000);
        auto expected = records;
        std::stable_sort(expected.begin(), expected.end(), [](auto& a, auto& b) { return a.first < b.first; });
        std::string_view key, payload;
        for (const auto& [k, n] : expected) {
            QVERIFY(sorter.next(key, payload));
            QCOMPARE(std::string(key), k);
            QCOMPARE(std::string(payload), std::to_string(n));
        }
        QVERIFY(!sorter.next(key, payload));
        QVERIFY(!sorter.failed());
    }

    void planCarriesKeys()
    {
        MyTableBuffer fields;
        fields.fields = {field("KNA1-NAME1", 35), field("KNA1-KUNNR", 10), field("KNB1-AKONT", 10)};
        const KeyJoinPlan plan = planFor(fields);
        QCOMPARE(plan.groups().size(), std::size_t(2));
        // KUNNR is already asked for; only the client is added, and behind the My Table fields.
        QCOMPARE(plan.sentFields(1), (QStringList{"NAME1", "KUNNR", "MANDT"}));
        QCOMPARE(plan.groups()[0].keySlots, (std::vector<int>{2, 1}));
        QCOMPARE(plan.sentFields(2), (QStringList{"AKONT", "MANDT", "KUNNR", "BUKRS"}));
        QCOMPARE(plan.tables()[1].joinKeys, (std::vector<int>{0, 1}));

        // The room kept for the keys makes a call split where it would fit without them.
        MyTableBuffer wide;
        wide.fields = {field("MARA-A", 250), field("MARA-B", 250)};
        CallGroups plain, reserved;
        QVERIFY(plain.build(wide, {}, nullptr));
        QVERIFY(reserved.build(wide, {}, nullptr, KeyJoinPlan::keyWidths(keys)));
        QCOMPARE(plain.count(), 1);
        QCOMPARE(reserved.count(), 2);
    }

    void planProblems_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("table");
        QTest::newRow("only the client shared") << QStringList{"KNA1-KUNNR", "MARA-MATNR"}
                                                << int(KeyJoinPlan::Problem::NothingShared) << "MARA";
        QTest::newRow("table without keys") << QStringList{"KNA1-KUNNR", "ZZZ1-F"}
                                            << int(KeyJoinPlan::Problem::NoKeyFields) << "ZZZ1";
    }
    void planProblems()
    {
        QFETCH(QStringList, names);
        QFETCH(int, kind);
        QFETCH(QString, table);
        MyTableBuffer fields;
        for (const QString& n : names) fields.fields.push_back(field(n, 10));
        CallGroups groups;
        QVERIFY(groups.build(fields, {}, nullptr));
        KeyJoinPlan::Problem problem;
        QVERIFY(!KeyJoinPlan::build(fields, groups, keys, &problem));
        QCOMPARE(int(problem.kind), kind);
        QCOMPARE(problem.table, table);
    }

    // One table cut into three calls whose rows come back in different orders, one call missing
    // a row, and a line with umlauts (lengths count characters).
    void callsOfOneTablePairedByKey()
    {
        MyTableBuffer fields;
        fields.fields = {field("KNA1-KUNNR", 10), field("KNA1-NAME1", 200), field("KNA1-ORT01", 200),
                         field("KNA1-LAND1", 300)};
        const KeyJoinPlan plan = planFor(fields);
        const int calls = int(plan.groups().size());
        QVERIFY(calls >= 3);
        KeyJoin join(plan, 256);
        const QStringList customers{"0000000003", "0000000001", "0000000002", "0000000004"};
        for (int k = 1; k <= calls; ++k) {
            const auto& g = plan.groupOfCall(k);
            std::vector<std::string> lines;
            for (const QString& c : customers) {
                if (k == calls && c == "0000000002") continue;
                QStringList v;
                for (const auto& s : g.sent)
                    v << (s.field == "MANDT" ? "001" : s.field == "KUNNR" ? c : s.field + "ü" + c.right(1));
                lines.push_back(line(g.lengths, v));
            }
            shuffle(lines, quint32(k));
            for (const auto& l : lines) QVERIFY(join.addLine(k, l));
        }
        QCOMPARE(joined(join), (QStringList{"0000000001|NAME1ü1|ORT01ü1|LAND1ü1", "0000000002|NAME1ü2|ORT01ü2|",
                                            "0000000003|NAME1ü3|ORT01ü3|LAND1ü3", "0000000004|NAME1ü4|ORT01ü4|LAND1ü4"}));
        QCOMPARE(join.unpairedRows(), 1);
        QVERIFY(!join.arrivedInKeyOrder());
    }

    // Customers with several, one and no company codes (and one of another client that must not
    // match), sales areas beside them, and company names: the other tables are matched to the
    // first one whichever way their keys line up, in the first table's key order.
    void tablesLeftJoined_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("customers with company codes")
            << QStringList{"KNA1-KUNNR", "KNA1-NAME1", "KNB1-BUKRS", "KNB1-AKONT"}
            << QStringList{"1|Alpha|1000|140000", "1|Alpha|2000|140100", "2|Beta||", "3|Gamma|1000|140300"};
        QTest::newRow("three tables, every combination")
            << QStringList{"KNA1-NAME1", "KNB1-BUKRS", "KNVV-VKORG"}
            << QStringList{"Alpha|1000|S100", "Alpha|1000|S200", "Alpha|2000|S100", "Alpha|2000|S200",
                           "Beta||", "Gamma|1000|S100"};
        // Shared fields that do not lead the first table's key: it is sorted for the match and back.
        QTest::newRow("company names for company codes")
            << QStringList{"KNB1-KUNNR", "KNB1-BUKRS", "T001-BUTXT"}
            << QStringList{"1|1000|Company 1000", "1|2000|", "3|1000|Company 1000", "2|1000|"};
        // ... and that do not lead the second table's key: that one is sorted for the match.
        QTest::newRow("company codes with their customers")
            << QStringList{"T001-BUKRS", "T001-BUTXT", "KNB1-KUNNR"}
            << QStringList{"1000|Company 1000|1", "1000|Company 1000|3", "3000|Company 3000|"};
    }
    void tablesLeftJoined()
    {
        QFETCH(QStringList, names);
        QFETCH(QStringList, expected);
        using Row = QMap<QString, QString>;
        const QMap<QString, QList<Row>> data{
            {"KNA1", {{{"MANDT", "001"}, {"KUNNR", "1"}, {"NAME1", "Alpha"}},
                      {{"MANDT", "001"}, {"KUNNR", "2"}, {"NAME1", "Beta"}},
                      {{"MANDT", "001"}, {"KUNNR", "3"}, {"NAME1", "Gamma"}}}},
            {"KNB1", {{{"MANDT", "001"}, {"KUNNR", "1"}, {"BUKRS", "1000"}, {"AKONT", "140000"}},
                      {{"MANDT", "001"}, {"KUNNR", "1"}, {"BUKRS", "2000"}, {"AKONT", "140100"}},
                      {{"MANDT", "001"}, {"KUNNR", "3"}, {"BUKRS", "1000"}, {"AKONT", "140300"}},
                      {{"MANDT", "002"}, {"KUNNR", "2"}, {"BUKRS", "1000"}, {"AKONT", "999999"}}}},
            {"KNVV", {{{"MANDT", "001"}, {"KUNNR", "1"}, {"VKORG", "S100"}},
                      {{"MANDT", "001"}, {"KUNNR", "1"}, {"VKORG", "S200"}},
                      {{"MANDT", "001"}, {"KUNNR", "3"}, {"VKORG", "S100"}}}},
            {"T001", {{{"MANDT", "001"}, {"BUKRS", "1000"}, {"BUTXT", "Company 1000"}},
                      {{"MANDT", "001"}, {"BUKRS", "3000"}, {"BUTXT", "Company 3000"}}}},
        };
        MyTableBuffer fields;
        for (const QString& n : names) fields.fields.push_back(field(n, 12));
        const KeyJoinPlan plan = planFor(fields);
        // Every way of delivering: in key order and in memory, shuffled and spilled to disk.
        for (const bool shuffled : {false, true}) {
            KeyJoin join(plan, shuffled ? 64 : 1 << 20);
            for (int k = 1; k <= int(plan.groups().size()); ++k) {
                const auto& g = plan.groupOfCall(k);
                std::vector<std::string> lines;
                for (const Row& row : data[plan.tables()[std::size_t(g.table)].name]) {
                    QStringList values;
                    for (const auto& s : g.sent) values << row.value(s.field);
                    lines.push_back(line(g.lengths, values));
                }
                if (shuffled) shuffle(lines, quint32(k) * 31);
                for (const auto& l : lines) QVERIFY(join.addLine(k, l));
            }
            QCOMPARE(joined(join), expected);
        }
    }

    // Calls paired by position: lines whose calls disagree on a key both carry are counted.
    void positionalPairingChecked_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<qint64>("disagreeing");   // -1: nothing to compare
        QTest::newRow("customer numbers compared") << QStringList{"KNA1-KUNNR", "KNA1-NAME1", "KNB1-KUNNR", "KNB1-BUKRS"}
                                                   << QStringList{"KNA1", "KNB1"} << qint64(1);
        QTest::newRow("only the client shared") << QStringList{"KNA1-MANDT", "KNA1-NAME1", "KNB1-MANDT"}
                                                << QStringList{"KNA1", "KNB1"} << qint64(-1);
        QTest::newRow("the key not asked for twice") << QStringList{"KNA1-KUNNR", "KNB1-BUKRS"} << QStringList{}
                                                     << qint64(-1);
    }
    void positionalPairingChecked()
    {
        QFETCH(QStringList, names);
        QFETCH(QStringList, asked);
        QFETCH(qint64, disagreeing);
        MyTableBuffer fields;
        for (const QString& n : names) fields.fields.push_back(field(n, 6));
        QCOMPARE(KeyAgreementCheck::tablesToAsk(fields), asked);
        CallGroups groups;
        QVERIFY(groups.build(fields, {}, nullptr));
        const KeyAgreementCheck check(fields, groups, keys, 1);
        QCOMPARE(check.active(), disagreeing >= 0);
        if (!check.active()) return;
        // Values are the row numbers; the second call returns its third row where the second belongs,
        // and a fourth row the first call does not have.
        std::vector<std::unique_ptr<RowStore>> stores;
        for (const CallGroup& g : groups.groups()) {
            stores.push_back(std::make_unique<RowStore>());
            const std::vector<int> order = g.table == "KNA1" ? std::vector<int>{1, 2, 3} : std::vector<int>{1, 3, 3, 4};
            for (int r : order) {
                QStringList values;
                for (int i = g.firstField; i <= g.lastField; ++i) values << QString::number(r).leftJustified(6);
                stores.back()->append(values.join(';').toStdString());
            }
        }
        std::vector<RowStore*> raw;
        for (auto& s : stores) raw.push_back(s.get());
        QCOMPARE(check.count(raw), disagreeing);
        QByteArray first;
        QVERIFY(raw[0]->next(first));   // left rewound for the writing that follows
        QCOMPARE(first.left(1), QByteArray("1"));
    }
};

QTEST_GUILESS_MAIN(KeyJoinTest)
#include "key_join.moc"
