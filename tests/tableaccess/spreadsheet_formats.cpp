// The spreadsheet formats on awkward values: SAP's notations converted by type, CSV quoting, and
// the Excel workbook read back from its zip (types, formats, header, filter, new sheets).
#include "support/XlsxReader.h"
#include "tableaccess/CsvLineFormatter.h"
#include "tableaccess/ImportOutput.h"
#include "tableaccess/SapValue.h"
#include "tableaccess/XlsxWorkbookWriter.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace qvor;

namespace {

std::vector<std::string_view> views(const std::vector<std::string>& values)
{
    return {values.begin(), values.end()};
}

std::vector<XlsxColumn> awkwardColumns()
{
    return {{"KNA1-KUNNR", "Customer", 'N', 10}, {"KNA1-NAME1", "Name", 'C', 35},
            {"BSEG-DMBTR", "Amount", 'P', 13}, {"BSEG-BUDAT", "Posting Date", 'D', 8},
            {"BKPF-CPUTM", "Entry Time", 'T', 6}, {"VBAP-POSNR", "Count", 'I', 10}};
}

} // namespace

class SpreadsheetFormatsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void valueConversion_data()
    {
        QTest::addColumn<QString>("slot");
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        using K = SapValue::Kind;
        QTest::newRow("amount with trailing minus") << "       794.39-" << "P" << int(K::Number) << "-794.39";
        QTest::newRow("positive amount, sign place blank") << "        5.00 " << "P" << int(K::Number) << "5.00";
        QTest::newRow("sign place given up") << "4184374221.00" << "P" << int(K::Number) << "4184374221.00";
        QTest::newRow("amount overflow") << "*291847608.00" << "P" << int(K::Overflow) << "*291847608.00";
        QTest::newRow("negative overflow") << "*6.38600-" << "P" << int(K::Overflow) << "*6.38600-";
        QTest::newRow("empty amount") << "             " << "P" << int(K::Empty) << "";
        QTest::newRow("left-justified amount") << "12.50-   " << "P" << int(K::Number) << "-12.50";
        QTest::newRow("integer") << "        42-" << "I" << int(K::Number) << "-42";
        QTest::newRow("integer overflow") << "*147483648-" << "I" << int(K::Overflow) << "*147483648-";
        QTest::newRow("short integer") << "    7" << "s" << int(K::Number) << "7";
        QTest::newRow("float") << "-1.0000000000E+00" << "F" << int(K::Number) << "-1.0000000000E+00";
        QTest::newRow("not a number") << "  12a4 " << "P" << int(K::Text) << "  12a4";
        QTest::newRow("date") << "20230307" << "D" << int(K::Date) << "2023-03-07";
        QTest::newRow("initial date") << "00000000" << "D" << int(K::Empty) << "";
        QTest::newRow("blank date") << "        " << "D" << int(K::Empty) << "";
        QTest::newRow("31 February stays text") << "20230231" << "D" << int(K::Text) << "20230231";
        QTest::newRow("leap day") << "20240229" << "D" << int(K::Date) << "2024-02-29";
        QTest::newRow("time") << "235959" << "T" << int(K::Time) << "23:59:59";
        QTest::newRow("bad time stays text") << "246000" << "T" << int(K::Text) << "246000";
        QTest::newRow("numeric text keeps zeros") << "0000012345" << "N" << int(K::Text) << "0000012345";
        QTest::newRow("char keeps leading blanks") << "  Düsseldorf   " << "C" << int(K::Text) << "  Düsseldorf";
        QTest::newRow("char all blank") << "     " << "C" << int(K::Empty) << "";
        QTest::newRow("char looking like a date") << "20230307" << "C" << int(K::Text) << "20230307";
    }
    void valueConversion()
    {
        QFETCH(QString, slot);
        QFETCH(QString, type);
        QFETCH(int, kind);
        QFETCH(QString, text);
        const std::string bytes = slot.toStdString();
        const SapValue v = SapValue::parse(bytes, type.toLatin1().at(0));
        QCOMPARE(int(v.kind), kind);
        std::string out;
        v.appendText(out);
        QCOMPARE(QString::fromStdString(out), text);
    }

    void numbersAndDays()
    {
        QCOMPARE(SapValue::parse("  794.39-", 'P').number(), -794.39);
        QCOMPARE(SapValue::parse("-2.5000000000E-01", 'F').number(), -0.25);
        QCOMPARE(SapValue::parse("19000301", 'D').dayNumber(), 61LL);
        QCOMPARE(SapValue::parse("20230307", 'D').dayNumber(), 44992LL);
        QCOMPARE(SapValue::parse("120000", 'T').dayFraction(), 0.5);
    }

    void csvLines_data()
    {
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QStringList>("slotTexts");
        QTest::addColumn<QString>("line");
        // Types by column: NUMC, CHAR, amount, date.
        QTest::newRow("plain") << ";" << QStringList{"0000000042", "Müller GmbH   ", "   794.39-", "00000000"}
                               << "0000000042;Müller GmbH;-794.39;\r\n";
        QTest::newRow("comma inside a value") << "," << QStringList{"0000000001", "Avenida da Liberdade, 2037", "5.00 ", "20230307"}
                                              << "0000000001,\"Avenida da Liberdade, 2037\",5.00,2023-03-07\r\n";
        QTest::newRow("quote doubled") << ";" << QStringList{"1", "Say \"hi\"", "", ""}
                                       << "1;\"Say \"\"hi\"\"\";;\r\n";
        QTest::newRow("line breaks quoted") << ";" << QStringList{"1", "a\r\nb", "", "2023"}
                                            << "1;\"a\r\nb\";;2023\r\n";
        QTest::newRow("separator in a converted value") << "-" << QStringList{"1", "x", "3.00-", "20230307"}
                                                        << "1-x-\"-3.00\"-\"2023-03-07\"\r\n";
        QTest::newRow("longer separator") << "||" << QStringList{"1", "a||b", "1.00", ""} << "1||\"a||b\"||1.00||\r\n";
    }
    void csvLines()
    {
        QFETCH(QString, separator);
        QFETCH(QStringList, slotTexts);
        QFETCH(QString, line);
        CsvLineFormatter csv({'N', 'C', 'P', 'D'}, separator);
        std::vector<std::string> values;
        for (const QString& s : slotTexts) values.push_back(s.toStdString());
        QByteArray out;
        csv.appendRow(out, views(values));
        QCOMPARE(QString::fromUtf8(out), line);
    }

    void csvHeaderAndOverflows()
    {
        CsvLineFormatter csv({'P', 'P'}, QStringLiteral(","));
        QCOMPARE(csv.headerLine({"KNA1-KUNNR", "Name, first"}), QByteArray("KNA1-KUNNR,\"Name, first\"\r\n"));
        QCOMPARE(CsvLineFormatter::byteOrderMark(), QByteArray("\xEF\xBB\xBF"));
        QByteArray out;
        const std::vector<std::string> a{"*12.00", "1.00"}, b{"*.0", "*9-"};
        csv.appendRow(out, views(a));
        csv.appendRow(out, views(b));
        QCOMPARE(csv.overflowCount(), 3LL);
        QCOMPARE(out, QByteArray("*12.00,1.00\r\n*.0,*9-\r\n"));
    }

    void workbookReadBack()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("out.xlsx");
        XlsxWorkbookWriter writer;
        AppError error;
        XlsxWorkbookWriter::Options options;
        options.sheetName = "/ABC/TABLE";
        QVERIFY(writer.open(path, awkwardColumns(), options, &error));
        QVERIFY2(!QFile::exists(path), "nothing is at the path before close");
        const std::vector<std::string> row1{"0000000042", "Düsseldorf; \"Nord\"\r\n2", "     794.39-", "20230307", "083000", "         7 "};
        const std::vector<std::string> row2{"0000000043", "", "*291847608.00", "00000000", "      ", "*147483648-"};
        const std::vector<std::string> row3{"1234567890", "=1+1", "12345678901234.56 ", "18991231", "000000", "0"};
        for (const auto* row : {&row1, &row2, &row3}) QVERIFY(writer.writeRow(views(*row), &error));
        QVERIFY2(writer.close(&error), qPrintable(error.text()));
        QCOMPARE(writer.overflowCount(), 2LL);

        test::XlsxReader reader;
        QString why;
        QVERIFY2(reader.open(path, &why), qPrintable(why));
        const auto sheets = reader.sheets();
        QCOMPARE(sheets.size(), 1);
        const test::XlsxSheet& s = sheets[0];
        QCOMPARE(s.name, QStringLiteral("_ABC_TABLE"));
        QCOMPARE(s.frozenRows, 1);
        QCOMPARE(s.autoFilter, QStringLiteral("A1:F4"));
        QCOMPARE(s.comments.value("C1"), QStringLiteral("Amount"));
        QCOMPARE(s.rows.size(), 4);
        QCOMPARE(s.rows[0][0].value, QStringLiteral("KNA1-KUNNR"));
        // Row 2: text with leading zeros, text with separator/quote/line break kept whole,
        // an amount as a number with two decimals, a date, a time, an integer.
        const auto& r = s.rows[1];
        QVERIFY(!r[0].number);
        QCOMPARE(r[0].value, QStringLiteral("0000000042"));
        QCOMPARE(r[1].value, QStringLiteral("Düsseldorf; \"Nord\"\r\n2"));
        QVERIFY(r[2].number);
        QCOMPARE(r[2].value.toDouble(), -794.39);
        QCOMPARE(r[2].format, QStringLiteral("0.00"));
        QVERIFY(r[3].number);
        QCOMPARE(r[3].value, QStringLiteral("44992"));
        QCOMPARE(r[3].format, QStringLiteral("yyyy-mm-dd"));
        QCOMPARE(r[4].value.toDouble(), 8.5 / 24);
        QCOMPARE(r[4].format, QStringLiteral("hh:mm:ss"));
        QCOMPARE(r[5].value, QStringLiteral("7"));
        // Row 3: the overflow markers stay text; empty and initial values leave no cell.
        const auto& o = s.rows[2];
        QCOMPARE(o[1].value, QString());
        QVERIFY(!o[2].number);
        QCOMPARE(o[2].value, QStringLiteral("*291847608.00"));
        QCOMPARE(o[3].value, QString());
        QCOMPARE(o[5].value, QStringLiteral("*147483648-"));
        // Row 4: a formula-like text is text; 15+ digits stay exact as text; a date before
        // 1900-03-01 is text; midnight is a time.
        const auto& t = s.rows[3];
        QVERIFY(!t[1].number);
        QCOMPARE(t[1].value, QStringLiteral("=1+1"));
        QVERIFY(!t[2].number);
        QCOMPARE(t[2].value, QStringLiteral("12345678901234.56"));
        QCOMPARE(t[3].value, QStringLiteral("1899-12-31"));
        QVERIFY(t[4].number);
    }

    void workbookContinuesOnNewSheets()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("many.xlsx");
        XlsxWorkbookWriter writer;
        AppError error;
        XlsxWorkbookWriter::Options options;
        options.sheetName = "KNA1";
        options.descriptionRow = true;
        options.sheetRows = 5;   // two header rows + three data rows per sheet
        QVERIFY(writer.open(path, {{"KNA1-KUNNR", "Customer", 'N', 10}}, options, &error));
        for (int i = 1; i <= 7; ++i) {
            const std::vector<std::string> row{QStringLiteral("%1").arg(i, 10, 10, QLatin1Char('0')).toStdString()};
            QVERIFY(writer.writeRow(views(row), &error));
        }
        QVERIFY(writer.close(&error));
        test::XlsxReader reader;
        QVERIFY(reader.open(path));
        const auto sheets = reader.sheets();
        QCOMPARE(sheets.size(), 3);
        QCOMPARE(sheets[1].name, QStringLiteral("KNA1 (2)"));
        QStringList values;
        for (const auto& s : sheets) {
            QCOMPARE(s.rows[0][0].value, QStringLiteral("KNA1-KUNNR"));
            QCOMPARE(s.rows[1][0].value, QStringLiteral("Customer"));
            QCOMPARE(s.frozenRows, 2);
            QCOMPARE(s.autoFilter, QStringLiteral("A2:A%1").arg(s.rows.size()));
            for (int r = 2; r < s.rows.size(); ++r) values << s.rows[r][0].value;
        }
        QCOMPARE(values.size(), 7);
        QCOMPARE(values.first(), QStringLiteral("0000000001"));
        QCOMPARE(values.last(), QStringLiteral("0000000007"));
    }

    void workbookFailures()
    {
        QTemporaryDir dir;
        AppError error;
        {
            XlsxWorkbookWriter writer;
            QVERIFY(writer.open(dir.filePath("no/such/folder/x.xlsx"), awkwardColumns(), {}, &error));
            QVERIFY(!writer.close(&error));
            QCOMPARE(error.number, AppError::pathNotFound().number);
        }
        {
            XlsxWorkbookWriter writer;
            QVERIFY(writer.open(dir.filePath("dropped.xlsx"), awkwardColumns(), {}, &error));
            writer.discard();
            QVERIFY(!QFile::exists(dir.filePath("dropped.xlsx")));
        }
        XlsxWorkbookWriter writer;
        QVERIFY(!writer.open(dir.filePath("wide.xlsx"), std::vector<XlsxColumn>(16385), {}, &error));
    }

    void sheetNames_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "KNA1" << 1 << "KNA1";
        QTest::newRow("namespace") << "/DMO/FLIGHT" << 2 << "_DMO_FLIGHT (2)";
        QTest::newRow("forbidden characters") << "A[1]:*?" << 1 << "A_1____";
        QTest::newRow("long name keeps its number") << QString(40, 'X') << 12 << QString(26, 'X') + " (12)";
        QTest::newRow("apostrophes at the ends") << "'T'" << 1 << "T";
        QTest::newRow("nothing left") << "" << 1 << "Sheet";
    }
    void sheetNames()
    {
        QFETCH(QString, base);
        QFETCH(int, number);
        QFETCH(QString, name);
        QCOMPARE(XlsxWorkbookWriter::sheetNameFor(base, number), name);
    }

    // The file a format writes beside the path chosen for the import.
    void formatPaths_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("written");
        QTest::newRow("specified file unchanged") << "/q/KNA1.txt" << int(OutputFormat::Sap) << "/q/KNA1.txt";
        QTest::newRow("extension replaced") << "/q/KNA1.txt" << int(OutputFormat::Xlsx) << "/q/KNA1.xlsx";
        QTest::newRow("already csv") << "/q/KNA1.CSV" << int(OutputFormat::Csv) << "/q/KNA1.CSV";
        QTest::newRow("dot in the folder only") << "/q.v/KNA1" << int(OutputFormat::Csv) << "/q.v/KNA1.csv";
        QTest::newRow("hidden file keeps its name") << "C:\\q\\.out" << int(OutputFormat::Xlsx) << "C:\\q\\.out.xlsx";
    }
    void formatPaths()
    {
        QFETCH(QString, chosen);
        QFETCH(int, format);
        QFETCH(QString, written);
        QCOMPARE(ImportOutput::pathFor(chosen, static_cast<OutputFormat>(format)), written);
    }
};

QTEST_GUILESS_MAIN(SpreadsheetFormatsTest)
#include "spreadsheet_formats.moc"
