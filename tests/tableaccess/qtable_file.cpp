// The query-table file: exact lines, round trip, and the forgiving reading rules.
#include "support/ScriptedUiServices.h"
#include "tableaccess/QTableFile.h"
#include "tableaccess/QTableFormat.h"
#include "util/StatusPanels.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace qvor;

namespace {

QString writeBytes(const QTemporaryDir& dir, const QByteArray& bytes)
{
    const QString path = dir.filePath("q.txt");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

QTableDocument sample()
{
    MyTableBuffer fields;
    fields.fields.push_back({"KNA1-KUNNR", "Customer Number", "C", 10});
    fields.fields.push_back({"KNA1-ERDAT", "Date on which the Record Was Created", "D", 8});
    fields.fields.push_back({"BSEG-DMBTR", "", "P", 13});
    OptionsBuffer options;
    options.lines = QStringList{"KNA1-LAND1 = 'DE'", "AND KNA1-NAME1 LIKE 'M%'"};
    QTableDocument base;
    base.MyTableF = QStringLiteral("/home/u/KNA1.csv");
    base.ChSsl = true;
    base.sRows = 100;
    return QTableFile::PrepareQTable(fields, options, base);
}

} // namespace

class QTableFileTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void exactBytesAndRoundTrip()
    {
        QTemporaryDir dir;
        test::ScriptedUiServices ui;
        const QString path = dir.filePath("Orvane KNA1.txt");
        const QTableDocument doc = sample();
        QVERIFY(QTableFile::WriteQTableFile(path, doc));
        QCOMPARE(panels().message(), path + " saved");
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("MyTableF     /home/u/KNA1.csv\r\n"
                                         "ChSsl        True\r\n"
                                         "ChRow        False\r\n"
                                         "sRows         100 \r\n"
                                         "SFI           3 \r\n"
                                         "ssField  001 C010 KNA1-KUNNR Customer Number\r\n"
                                         "ssField  002 D008 KNA1-ERDAT Date on which the Record Was Created\r\n"
                                         "ssField  003 P013 BSEG-DMBTR \r\n"
                                         "SOP           2 \r\n"
                                         "ssOption 001 KNA1-LAND1 = 'DE'\r\n"
                                         "ssOption 002 AND KNA1-NAME1 LIKE 'M%'\r\n"));

        const auto back = QTableFile::ReadOrvane(path);
        QVERIFY(back);
        QCOMPARE(*back, doc);
        QCOMPARE(panels().message(), path + " opened");
        MyTableBuffer fields;
        OptionsBuffer options;
        QVERIFY(QTableFile::LoadOrvane(*back, fields, options));
        QCOMPARE(fields.count(), 3);
        QCOMPARE(fields.field(2).name, QStringLiteral("KNA1-ERDAT"));
        QCOMPARE(fields.field(2).text, QStringLiteral("Date on which the Record Was Created"));
        QCOMPARE(fields.field(2).type, QStringLiteral("D"));
        QCOMPARE(fields.field(2).length, int16_t(8));
        QCOMPARE(fields.field(3).text, QString());
        QCOMPARE(options.lines, (QStringList{"KNA1-LAND1 = 'DE'", "AND KNA1-NAME1 LIKE 'M%'"}));
        QVERIFY(ui.messages.isEmpty());
    }

    void thousandFieldsSave999()
    {
        MyTableBuffer fields;
        OptionsBuffer options;
        for (int i = 1; i <= 1000; ++i) {
            fields.fields.push_back({QStringLiteral("BSEG-F%1").arg(i), QStringLiteral("Field %1").arg(i), "C", 1});
            options.lines << QStringLiteral("OR BSEG-F%1 = 'X'").arg(i);
        }
        const QTableDocument doc = QTableFile::PrepareQTable(fields, options);
        QCOMPARE(doc.fieldCount, int16_t(999));
        QCOMPARE(doc.optionCount, int16_t(999));
        QTableDocument back;
        QVERIFY(QTableFormat::parseLines(QTableFormat::lines(doc), back, nullptr));
        QCOMPARE(back, doc);
        QCOMPARE(back.ssField.last(), QStringLiteral("C001 BSEG-F999 Field 999"));
    }

    void readingRules_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("fields");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<qint32>("rows");

        // Without SFI no field line counts; LF line ends are fine.
        QTest::newRow("SFI missing") << QByteArray("sRows         5 \nssField  001 C010 KNA1-KUNNR Customer\nSOP           1 \nssOption 001 X\n")
                                     << 0 << QStringList{"X"} << 5;
        // A count after its lines comes too late for them.
        QTest::newRow("count after lines") << QByteArray("ssOption 001 A\r\nSOP           1 \r\n")
                                           << 0 << QStringList{""} << 0;
        // Lines numbered above the count are ignored.
        QTest::newRow("lines above count") << QByteArray("SOP           1 \r\nssOption 001 A\r\nssOption 002 B\r\n")
                                           << 0 << QStringList{"A"} << 0;
        // Keys are found anywhere in the line, values always start at character 14.
        QTest::newRow("key inside line") << QByteArray("xxsRows       7 \r\n  SOP         1 \r\n  ssOption 001A\r\n")
                                         << 0 << QStringList{"1A"} << 7;
        QTest::newRow("Windows-1252") << QByteArray("SOP           1 \r\nssOption 001 NAME1 = 'M\xfcller \x80'\r\n")
                                      << 0 << QStringList{QString::fromUtf8("NAME1 = 'Müller €'")} << 0;
        QTest::newRow("count capped") << QByteArray("SOP           1500 \r\nssOption 999 last\r\n")
                                      << 0 << QStringList{} << 0;
    }
    void readingRules()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, fields);
        QFETCH(QStringList, options);
        QFETCH(qint32, rows);
        QTemporaryDir dir;
        test::ScriptedUiServices ui;
        const auto doc = QTableFile::ReadOrvane(writeBytes(dir, bytes));
        QVERIFY(doc);
        QCOMPARE(int(doc->fieldCount), fields);
        QCOMPARE(doc->sRows, rows);
        if (QTest::currentDataTag() == QByteArray("count capped")) {
            QCOMPARE(doc->optionCount, int16_t(999));
            QCOMPARE(doc->ssOption.last(), QStringLiteral("last"));
        } else {
            QCOMPARE(doc->ssOption, options);
        }
        QVERIFY(ui.messages.isEmpty());
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::newRow("bad boolean") << QByteArray("ChRow        Yes\r\n") << "Error 13: Type mismatch on ReadOrvane";
        QTest::newRow("bad number") << QByteArray("sRows        ten\r\n") << "Error 13: Type mismatch on ReadOrvane";
        QTest::newRow("32-bit overflow") << QByteArray("sRows         2147483648 \r\n") << "Error 6: Overflow on ReadOrvane";
        QTest::newRow("16-bit overflow") << QByteArray("SFI           40000 \r\n") << "Error 6: Overflow on ReadOrvane";
        // More records announced than present: the empty record has no length.
        QTest::newRow("counts disagree") << QByteArray("SFI           2 \r\nssField  001 C010 KNA1-KUNNR Customer\r\n")
                                         << "Error 13: Type mismatch on LoadOrvane";
        QTest::newRow("length not a number") << QByteArray("SFI           1 \r\nssField  001 CABC KNA1-KUNNR Customer\r\n")
                                             << "Error 13: Type mismatch on LoadOrvane";
    }
    void failures()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QTemporaryDir dir;
        test::ScriptedUiServices ui;
        const auto doc = QTableFile::ReadOrvane(writeBytes(dir, bytes));
        if (doc) {
            MyTableBuffer fields;
            OptionsBuffer options;
            QVERIFY(!QTableFile::LoadOrvane(*doc, fields, options));
        }
        QCOMPARE(ui.messageTexts(), QStringList{message});
    }

    // A missing file, and a device that would be read for good.
    void missingFileOrNoFile()
    {
        test::ScriptedUiServices ui;
        QVERIFY(!QTableFile::ReadOrvane(QStringLiteral("/nonexistent/q.txt")));
        QVERIFY(!QTableFile::ReadOrvane(QStringLiteral("/dev/zero")));
        QCOMPARE(ui.messages.size(), 2);
        QVERIFY(ui.messages[0].text.endsWith(" on ReadOrvane"));
        QCOMPARE(ui.messages[1].text, QStringLiteral("Error 75: Path/File access error on ReadOrvane"));
    }

    void longLengthsReadBack()
    {
        MyTableField f{"ZQVR_LONGTEXT-TEXT", "Long text", "C", 1000};
        MyTableField back;
        QCOMPARE(QTableFormat::fieldRecord(f), QStringLiteral("C1000 ZQVR_LONGTEXT-TEXT Long text"));
        QVERIFY(QTableFormat::parseFieldRecord(QTableFormat::fieldRecord(f), back, nullptr));
        QCOMPARE(back.length, int16_t(1000));
        QCOMPARE(back.name, f.name);
        QCOMPARE(back.text, f.text);
    }
};

QTEST_GUILESS_MAIN(QTableFileTest)
#include "qtable_file.moc"
