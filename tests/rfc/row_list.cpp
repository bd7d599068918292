// The rows of a call's table: the same values, in the same order, whether they stayed in memory or
// went to the temporary file, however they are reached.
#include "rfc/RfcData.h"
#include "rfc/RowList.h"

#include <QTest>
#include <string>
#include <vector>

using rfc::RowList;
using Row = RowList::Row;

namespace {

// Varied rows: multi-byte characters, empty values, NUL and line ends inside values, and rows of
// different widths, so a record that is cut or misaligned shows.
Row sampleRow(std::size_t i)
{
    const std::string n = std::to_string(i);
    switch (i % 4) {
    case 0: return {"Müller " + n, "東京 ✓ " + n};
    case 1: return {"", n, std::string("a\0b\n", 4)};
    case 2: return {"€" + std::string(i % 97, 'x')};
    default: return {n, "", "Ωμέγα", "🙂" + n};
    }
}

std::vector<Row> collect(const RowList& list)
{
    std::vector<Row> out;
    for (const Row& r : list) out.push_back(r);
    return out;
}

RowList filled(std::size_t rows, std::size_t memoryLimit)
{
    RowList list(memoryLimit);
    for (std::size_t i = 0; i < rows; ++i) {
        if (i % 2) {
            list.push_back(sampleRow(i));
        } else {
            // The way the demo system fills an answer: append, then write into the open row.
            Row expected = sampleRow(i);
            Row& r = list.emplace_back(expected.size());
            for (std::size_t v = 0; v < expected.size(); ++v) r[v] = expected[v];
        }
    }
    return list;
}

} // namespace

class RowListTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sameRowsEveryWay_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("memoryLimit");
        QTest::addColumn<bool>("spilled");
        QTest::newRow("empty") << 0 << 4096 << false;
        QTest::newRow("all in memory") << 30 << (1 << 20) << false;
        QTest::newRow("first row already spills") << 5 << 0 << true;
        QTest::newRow("spills mid-way") << 40 << 1000 << true;
        QTest::newRow("many index steps") << 700 << 2000 << true;
    }
    void sameRowsEveryWay()
    {
        QFETCH(int, rows);
        QFETCH(int, memoryLimit);
        QFETCH(bool, spilled);
        const RowList list = filled(std::size_t(rows), std::size_t(memoryLimit));
        QCOMPARE(list.size(), std::size_t(rows));
        QCOMPARE(list.empty(), rows == 0);
        QCOMPARE(list.spilled(), spilled);

        const std::vector<Row> inOrder = collect(list);
        QCOMPARE(inOrder.size(), std::size_t(rows));
        for (std::size_t i = 0; i < inOrder.size(); ++i) QVERIFY2(inOrder[i] == sampleRow(i), std::to_string(i).c_str());

        // Random access, backwards and across index steps, after and between in-order reads.
        for (std::size_t i = std::size_t(rows); i-- > 0;) QVERIFY(list[i] == sampleRow(i));
        for (std::size_t i = 0; i < std::size_t(rows); i += 63) QVERIFY(list[i] == sampleRow(i));
        QVERIFY(collect(list) == inOrder);
        QVERIFY(!list.readFailed());
    }

    void rowsChangedAfterSpilling()
    {
        RowList list(300);
        for (std::size_t i = 0; i < 200; ++i) list.push_back(sampleRow(i));
        QVERIFY(list.spilled());
        std::vector<Row> expected = collect(list);

        // A file row taken for writing, then another, then the first again: each change stays.
        list[150][0] = "changed once";
        expected[150][0] = "changed once";
        list[2].push_back("wider");
        expected[2].push_back("wider");
        list[150][0] = "changed twice – ü";
        expected[150][0] = "changed twice – ü";
        list[199].clear();
        expected[199].clear();
        list.push_back({"after"});
        expected.push_back({"after"});

        const std::vector<Row> got = collect(list);
        QCOMPARE(got.size(), expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) QVERIFY2(got[i] == expected[i], std::to_string(i).c_str());
        for (std::size_t i : {199u, 150u, 2u, 128u, 149u, 151u, 200u}) QVERIFY(list[i] == expected[i]);
    }

    void moveAndCopy()
    {
        RowList a = filled(120, 500);
        QVERIFY(a.spilled());
        const std::vector<Row> rows = collect(a);

        RowList b(std::move(a));
        QCOMPARE(a.size(), std::size_t(0));   // the moved-from list is empty and usable
        QVERIFY(!a.spilled());
        a.push_back({"fresh"});
        QVERIFY(collect(a) == std::vector<Row>{{"fresh"}});
        QVERIFY(collect(b) == rows);

        RowList c = b;   // a deep copy: changing one leaves the other
        QVERIFY(c == b);
        c[100][0] = "only in the copy";
        QVERIFY(!(c == b));
        QVERIFY(collect(b) == rows);

        c = std::move(b);   // replaces a spilled list by another
        QVERIFY(collect(c) == rows);
        QVERIFY(b.empty());
    }

    void tableValuesReadFromTheFile()
    {
        rfc::Table t;
        t.columns = {"WA"};
        t.rows = RowList(64);
        for (int i = 0; i < 50; ++i) t.rows[t.appendRow()][0] = "Zeile " + std::to_string(i) + " ä";
        QVERIFY(t.rows.spilled());
        QCOMPARE(t.value(0, "WA"), std::string("Zeile 0 ä"));
        QCOMPARE(t.value(49, "WA"), std::string("Zeile 49 ä"));
        QCOMPARE(t.value(49, "NOPE"), std::string());

        rfc::Table moved = std::move(t);
        QCOMPARE(moved.rows.size(), std::size_t(50));
        QCOMPARE(moved.value(31, "WA"), std::string("Zeile 31 ä"));
    }
};

QTEST_GUILESS_MAIN(RowListTest)
#include "row_list.moc"
