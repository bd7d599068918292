// Joining the groups' data lines into result rows, and the row store behind it.
#include "tableaccess/ByteCount.h"
#include "tableaccess/RowJoiner.h"

#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>

using namespace qvor;

namespace {

std::unique_ptr<RowStore> storeOf(const QStringList& lines, std::size_t memoryLimit = RowStore::DefaultMemoryLimit)
{
    auto s = std::make_unique<RowStore>(memoryLimit);
    for (const QString& l : lines) s->append(l.toStdString());
    return s;
}

QStringList joined(RowJoiner& j)
{
    QStringList rows;
    j.start();
    QByteArray row;
    while (j.next(row)) rows << QString::fromUtf8(row);
    return rows;
}

struct Group {
    int k;
    int firstField;
    QStringList lines;
};

} // namespace

Q_DECLARE_METATYPE(QList<Group>)

class RowJoinerTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void joining_data()
    {
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QList<Group>>("groups");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("equal counts") << ";"
            << QList<Group>{{1, 1, {"a1;b1", "a2;b2"}}, {2, 3, {"c1", "c2"}}}
            << QStringList{"a1;b1;c1", "a2;b2;c2"};
        // The later group returns more rows: they get empty fields in front.
        QTest::newRow("later group longer") << ";"
            << QList<Group>{{1, 1, {"a1;b1"}}, {2, 3, {"c1", "c2", "c3"}}}
            << QStringList{"a1;b1;c1", ";;c2", ";;c3"};
        // A row the last group did not deliver ends after the separators before its fields.
        QTest::newRow("later group shorter") << ";"
            << QList<Group>{{1, 1, {"a1", "a2"}}, {2, 2, {"b1"}}, {3, 3, {"c1", "c2"}}}
            << QStringList{"a1;b1;c1", "a2;;c2"};
        QTest::newRow("trailing group missing") << ";"
            << QList<Group>{{1, 1, {"a1", "a2"}}, {2, 2, {"b1"}}}
            << QStringList{"a1;b1", "a2;"};
        // Separators inside values count: the padding comes up short, as the program's rows do.
        QTest::newRow("separator inside a value") << ";"
            << QList<Group>{{1, 1, {"x;y", "ab "}}, {2, 2, {"c1", "c2"}}}
            << QStringList{"x;yc1", "ab ;c2"};
        // Without group 1 the first answered group pads up to its own first field.
        QTest::newRow("first group failed") << ";"
            << QList<Group>{{2, 3, {"c1"}}, {3, 4, {"d1", "d2"}}}
            << QStringList{";;c1;d1", ";;;d2"};
        QTest::newRow("multi-character separator") << "||"
            << QList<Group>{{1, 1, {"a||b"}}, {2, 3, {"c"}}, {3, 5, {"d"}}}
            << QStringList{"a||b||c||||d"};
        QTest::newRow("no rows at all") << ";" << QList<Group>{{1, 1, {}}, {2, 2, {}}} << QStringList{};
        QTest::newRow("value with high-bit bytes") << ";"
            << QList<Group>{{1, 1, {"Straße »Nord« 12"}}, {2, 2, {"x"}}}
            << QStringList{"Straße »Nord« 12;x"};
        QTest::newRow("non-ASCII values") << "§"
            << QList<Group>{{1, 1, {"Müller§Köln"}}, {2, 3, {"ação"}}}
            << QStringList{"Müller§Köln§ação"};
    }
    void joining()
    {
        QFETCH(QString, separator);
        QFETCH(QList<Group>, groups);
        QFETCH(QStringList, expected);
        RowJoiner j(separator);
        for (const auto& g : groups) j.addGroup(g.k, g.firstField, storeOf(g.lines));
        QCOMPARE(joined(j), expected);
        // Reading again gives the same rows.
        QCOMPARE(joined(j), expected);
    }

    void byteCountMatchesPlainCount()
    {
        // The word-at-a-time count against std::count: every byte value as the separator, every
        // length up to 64 and every start alignment, with texts rich in the bytes that differ from
        // the separator in one bit (the high bit above all, as in UTF-8).
        QRandomGenerator random(12);
        char buffer[64 + 8];
        for (int c = 0; c < 256; ++c) {
            const char sep = static_cast<char>(c);
            const char near[] = {sep, static_cast<char>(c ^ 0x80), static_cast<char>(c ^ 0x01), static_cast<char>(c ^ 0x7F),
                                 '\0', '\x80', '\xFF', '\x7F'};
            for (int size = 0; size <= 64; ++size) {
                for (int offset = 0; offset < 8; ++offset) {
                    char* text = buffer + offset;
                    for (int i = 0; i < size; ++i)
                        text[i] = random.bounded(2) ? near[random.bounded(8)] : static_cast<char>(random.bounded(256));
                    const qsizetype expected = std::count(text, text + size, sep);
                    const qsizetype got = countByte(text, size, sep);
                    if (got != expected)
                        QFAIL(qPrintable(QStringLiteral("byte %1, length %2, offset %3: %4 instead of %5 in %6")
                                             .arg(c).arg(size).arg(offset).arg(got).arg(expected)
                                             .arg(QString::fromLatin1(QByteArray(text, size).toHex()))));
                }
            }
        }
    }

    void storeSpillsToDiskAndKeepsOrder()
    {
        // A tiny memory limit forces most lines into the temporary file, the rest stays in memory.
        RowStore store(64);
        QStringList lines;
        for (int i = 0; i < 1000; ++i) lines << QStringLiteral("line %1 ").arg(i).repeated(i % 5);
        lines << QString() << QStringLiteral("with\r\nline end");
        for (const auto& l : lines) QVERIFY(store.append(l.toStdString()));
        QVERIFY(store.spilled());
        QCOMPARE(store.count(), lines.size());
        for (int pass = 0; pass < 2; ++pass) {
            store.rewind();
            QByteArray line;
            for (const auto& l : lines) {
                QVERIFY(store.next(line));
                QCOMPARE(QString::fromUtf8(line), l);
            }
            QVERIFY(!store.next(line));
            QVERIFY(!store.readFailed());
        }
    }

    void storeReadsAnAnswerInPlace()
    {
        // An answer whose rows already went to its own temporary file, read through the store.
        rfc::RowList answer(64);
        QStringList lines;
        for (int i = 0; i < 300; ++i) {
            lines << QStringLiteral("Zeile %1 – ü").arg(i);
            answer.push_back({"ignored", lines.last().toStdString()});
        }
        answer.push_back({"short row"});   // no value in the read column: an empty line
        lines << QString();
        QVERIFY(answer.spilled());

        RowJoiner j(QStringLiteral(";"));
        j.addGroup(1, 1, std::make_unique<RowStore>(std::move(answer), 1));
        j.addGroup(2, 2, storeOf({QStringLiteral("b")}));
        QStringList expected = lines;
        for (QString& row : expected) row += QLatin1Char(';');   // group 2 pads every row
        expected[0] += QLatin1Char('b');
        QCOMPARE(joined(j), expected);
        QCOMPARE(joined(j), expected);

        RowStore taken(rfc::RowList{{"a"}}, -1);   // the answer has no data column at all
        QByteArray line("x");
        QVERIFY(!taken.append("more"));
        QVERIFY(taken.next(line));
        QVERIFY(line.isEmpty());
        QVERIFY(!taken.next(line));
    }
};

QTEST_GUILESS_MAIN(RowJoinerTest)
#include "row_joiner.moc"
