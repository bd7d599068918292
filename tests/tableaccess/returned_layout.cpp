// Data lines put back into the layout that was asked for: packed numbers in their classic slot,
// fields found by the returned offsets (counted in characters), and what is left alone.
#include "tableaccess/ReturnedLayout.h"

#include <QtTest>

using namespace qvor;

namespace {

// FIELDS as a system returns them: "NAME OFFSET LENGTH TYPE" per row.
rfc::Table returnedFields(const QStringList& rows)
{
    rfc::Table t;
    t.columns = {"FIELDNAME", "OFFSET", "LENGTH", "TYPE"};
    for (const QString& row : rows) {
        const QStringList p = row.split(QLatin1Char(' '));
        t.rows.push_back({p[0].toStdString(), QStringLiteral("%1").arg(p[1].toInt(), 6, 10, QLatin1Char('0')).toStdString(),
                          QStringLiteral("%1").arg(p[2].toInt(), 6, 10, QLatin1Char('0')).toStdString(), p[3].toStdString()});
    }
    return t;
}

} // namespace

class ReturnedLayoutTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void packedNumbersGetTheirClassicSlot_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("classic");
        // Left-justified text of a newer release, and the classic module's text, which stays.
        QTest::newRow("positive") << "5.00         " << 13 << "        5.00 ";
        QTest::newRow("negative, sign behind") << "5.00-" << 13 << "        5.00-";
        QTest::newRow("negative, sign in front") << "-5.00" << 13 << "        5.00-";
        QTest::newRow("gives up the sign place") << "4184374221.00 " << 13 << "4184374221.00";
        QTest::newRow("too long, cut behind a star") << "11291847608.00" << 13 << "*291847608.00";
        QTest::newRow("too long and negative") << "116.38600-" << 9 << "*6.38600-";
        QTest::newRow("digits only over the slot") << "99.0" << 3 << "*.0";
        QTest::newRow("classic stays") << "        5.00-" << 13 << "        5.00-";
        QTest::newRow("classic overflow stays") << "*291847608.00" << 13 << "*291847608.00";
    }
    void packedNumbersGetTheirClassicSlot()
    {
        QFETCH(QString, text);
        QFETCH(int, length);
        QFETCH(QString, classic);
        std::string out;
        ReturnedLayout::appendClassicPacked(out, text.toStdString(), std::size_t(length));
        QCOMPARE(QString::fromStdString(out), classic);
    }

    void linesAreCutWhereTheFieldsAre_data()
    {
        QTest::addColumn<QStringList>("requested");
        QTest::addColumn<QStringList>("returned");
        QTest::addColumn<QString>("delimiter");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("unchanged");
        QTest::newRow("classic order") << QStringList{"KUNNR", "NAME1"} << QStringList{"KUNNR 0 4 C", "NAME1 5 5 C"} << ";"
                                       << "0001;Maria" << "0001;Maria" << true;
        QTest::newRow("dictionary order") << QStringList{"NAME1", "KUNNR", "LAND1"}
                                          << QStringList{"KUNNR 0 4 C", "LAND1 5 2 C", "NAME1 8 9 C"} << ";"
                                          << "0001;BR;São Paulo" << "São Paulo;0001;BR" << false;
        QTest::newRow("duplicates collapsed") << QStringList{"BELNR", "BELNR"} << QStringList{"BELNR 0 3 C"} << "|" << "007"
                                              << "007|007" << false;
        QTest::newRow("packed one wider, last") << QStringList{"DMBTR", "BUKRS"} << QStringList{"BUKRS 0 4 C", "DMBTR 4 6 P"}
                                                << " " << "10001.50-" << " 1.50-1000" << false;
        QTest::newRow("packed in the middle, short line")
            << QStringList{"BUKRS", "DMBTR", "SGTXT"} << QStringList{"BUKRS 0 4 C", "DMBTR 5 6 P", "SGTXT 13 5 C"} << "|"
            << "1000|2.00   |Ação" << "1000| 2.00 |Ação " << false;
    }
    void linesAreCutWhereTheFieldsAre()
    {
        QFETCH(QStringList, requested);
        QFETCH(QStringList, returned);
        QFETCH(QString, delimiter);
        QFETCH(QString, line);
        QFETCH(QString, expected);
        QFETCH(bool, unchanged);
        QString missing;
        const ReturnedLayout layout = ReturnedLayout::read(requested, returnedFields(returned), delimiter, &missing);
        QCOMPARE(missing, QString());
        QCOMPARE(layout.unchanged(), unchanged);
        std::string out;
        layout.rebuild(line.toStdString(), out);
        QCOMPARE(QString::fromStdString(out), expected);
    }

    void aSkippedFieldIsNamed()
    {
        // Newer releases drop a name they do not know instead of refusing it.
        QString missing;
        ReturnedLayout::read({"KUNNR", "NAMEX"}, returnedFields({"KUNNR 0 10 C"}), ";", &missing);
        QCOMPARE(missing, QStringLiteral("NAMEX"));
    }
};

QTEST_GUILESS_MAIN(ReturnedLayoutTest)
#include "returned_layout.moc"
