// Partition boundaries drawn from sampled keys, and the ranges written as option rows: the demo
// system must accept them beside the user's own rows, and the partitions read one after another
// must give every row of one plain read once, in the same order.
#include "demosystem/DemoCalls.h"
#include "tableaccess/PartitionRanges.h"

#include <QtTest>

using namespace qvor;

namespace {

// "A,1|B,2" -> {{A,1},{B,2}}
std::vector<KeyTuple> tuples(const QString& text)
{
    std::vector<KeyTuple> out;
    for (const QString& t : text.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        KeyTuple k;
        for (const QString& v : t.split(QLatin1Char(','))) k.push_back(v);
        out.push_back(k);
    }
    return out;
}

QString text(const std::vector<KeyTuple>& list)
{
    QStringList out;
    for (const KeyTuple& k : list) out << QStringList(k.begin(), k.end()).join(QLatin1Char(','));
    return out.join(QLatin1Char('|'));
}

std::vector<std::string> stdRows(const QStringList& rows)
{
    std::vector<std::string> out;
    for (const QString& r : rows) out.push_back(r.toStdString());
    return out;
}

QStringList dataLines(const rfc::FunctionResult& result)
{
    QStringList out;
    if (!result.ok()) return {QString::fromStdString("ERROR " + result.exception + " " + result.message)};
    for (const auto& row : result.tables.at("DATA").rows) out << QString::fromStdString(row.at(0));
    return out;
}

} // namespace

class PartitionRangesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void boundariesFromSample_data()
    {
        QTest::addColumn<QString>("sample");
        QTest::addColumn<int>("partitions");
        QTest::addColumn<bool>("date");
        QTest::addColumn<QString>("boundaries");
        QTest::newRow("equal parts") << "01|02|03|04|05|06|07|08" << 4 << false << "03|05|07";
        QTest::newRow("a repeated key is never cut") << "A|A|A|A|A|A|B|C" << 4 << false << "B";
        QTest::newRow("more partitions than keys") << "A|B" << 8 << false << "B";
        QTest::newRow("one key: one partition") << "A|A|A" << 3 << false << "";
        QTest::newRow("key of two fields") << "1000,05|1000,09|2000,01|2000,07" << 2 << false << "2000,01";
        QTest::newRow("dates by month") << "20230105|20230117|20230203|20230215|20230302|20230320" << 3 << true
                                        << "20230201|20230301";
        QTest::newRow("dates by year when they span enough years")
            << "20190310|20200101|20210505|20220909|20230101|20241212" << 3 << true << "20210101|20230101";
        QTest::newRow("a month's start below the smallest date is dropped")
            << "20230105|20230110|20230120|20230125" << 4 << true << "";
        QTest::newRow("dates after other key fields")
            << "AA,0017,20230110|AA,0017,20230520|LH,0400,20230101|LH,0400,20230815" << 2 << true << "LH,0400,20230101";
    }
    void boundariesFromSample()
    {
        QFETCH(QString, sample);
        QFETCH(int, partitions);
        QFETCH(bool, date);
        QFETCH(QString, boundaries);
        QCOMPARE(text(PartitionRanges::boundaries(tuples(sample), partitions, date)), boundaries);
    }

    void keySampleStaysBoundedAndCoversTheKeys()
    {
        KeySample sample(100);
        for (int i = 0; i < 10000; ++i) sample.add({QStringLiteral("%1").arg(i, 5, 10, QLatin1Char('0'))});
        const auto sorted = sample.sorted();
        QCOMPARE(sorted.size(), std::size_t(100));
        QCOMPARE(sample.rowsSeen(), qint64(10000));
        // A uniform sample of 0..9999 reaches into both ends, not just the first rows seen.
        QVERIFY(sorted.front()[0] < QStringLiteral("01000"));
        QVERIFY(sorted.back()[0] > QStringLiteral("09000"));
    }

    void partitionsGiveEveryRowOnceInOrder_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("key");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QStringList>("userRows");
        QTest::addColumn<int>("partitions");
        QTest::addColumn<bool>("date");
        const QStringList bsegKey{"BUKRS", "BELNR"};
        const QStringList bsegFields{"BUKRS", "BELNR", "GJAHR", "BUZEI", "KOART"};
        QTest::newRow("BSEG by BELNR") << "BSEG" << bsegKey << bsegFields << QStringList() << 7 << false;
        QTest::newRow("first key field") << "BSEG" << QStringList{"BUKRS"} << bsegFields << QStringList() << 3 << false;
        QTest::newRow("user rows joined by OR")
            << "BSEG" << bsegKey << bsegFields << QStringList{"KOART = 'D' OR", "SHKZG = 'H'"} << 5 << false;
        QTest::newRow("user row of the full 72 characters")
            << "BSEG" << bsegKey << bsegFields << QStringList{QString(61, QLatin1Char(' ')) + "KOART = 'S'"} << 4 << false;
        QTest::newRow("SFLIGHT by flight date")
            << "SFLIGHT" << QStringList{"CARRID", "CONNID", "FLDATE"} << QStringList{"CARRID", "CONNID", "FLDATE", "SEATSOCC"}
            << QStringList() << 6 << true;
    }
    void partitionsGiveEveryRowOnceInOrder()
    {
        QFETCH(QString, table);
        QFETCH(QStringList, key);
        QFETCH(QStringList, fields);
        QFETCH(QStringList, userRows);
        QFETCH(int, partitions);
        QFETCH(bool, date);
        auto demo = demotest::openMemory();
        const auto read = [&](const QStringList& f, const QStringList& options) {
            return dataLines(demo->call(demotest::session(),
                                        demotest::readCall({table.toStdString(), stdRows(f), stdRows(options), "|"})));
        };
        const QStringList all = read(fields, userRows);
        QVERIFY2(all.size() > 50 && !all.front().startsWith("ERROR"), qPrintable(all.value(0)));

        KeySample sample(200);
        for (const QString& line : read(key, userRows)) {
            KeyTuple k;
            for (const QString& v : line.split(QLatin1Char('|'))) k.push_back(v.trimmed());
            sample.add(k);
        }
        const std::vector<KeyTuple> bounds = PartitionRanges::boundaries(sample.sorted(), partitions, date);
        QVERIFY2(bounds.size() >= 2, qPrintable(text(bounds)));

        QStringList joined;
        int nonEmpty = 0;
        for (std::size_t p = 0; p <= bounds.size(); ++p) {
            QStringList range;
            QVERIFY(PartitionRanges::conditionRows(key, p > 0 ? &bounds[p - 1] : nullptr,
                                                   p < bounds.size() ? &bounds[p] : nullptr, &range, nullptr));
            for (const QString& row : range) QVERIFY2(row.size() <= PartitionRanges::MaxRowLength, qPrintable(row));
            const QStringList part = read(fields, PartitionRanges::combine(userRows, range));
            QVERIFY2(part.isEmpty() || !part.front().startsWith("ERROR"),
                     qPrintable(part.front() + " for " + PartitionRanges::combine(userRows, range).join(" / ")));
            nonEmpty += part.isEmpty() ? 0 : 1;
            joined += part;
        }
        QCOMPARE(nonEmpty, int(bounds.size()) + 1);
        QCOMPARE(joined.size(), all.size());
        QVERIFY(joined == all);
    }

    void aValueTooLongForOneRowIsRefused()
    {
        const KeyTuple low{QString(70, QLatin1Char('X'))};
        QStringList rows;
        QString tooLong;
        QVERIFY(!PartitionRanges::conditionRows({"NAME"}, &low, nullptr, &rows, &tooLong));
        QCOMPARE(tooLong, PartitionRanges::literal(low[0]));
        const KeyTuple fits{QString(60, QLatin1Char('X'))};
        QVERIFY(PartitionRanges::conditionRows({"NAME"}, &fits, nullptr, &rows, &tooLong));
    }
};

QTEST_GUILESS_MAIN(PartitionRangesTest)
#include "partition_ranges.moc"
