// Newer SAP releases answer RFC_READ_TABLE's fields in dictionary order, collapse duplicates and
// give packed numbers one more character, left-justified. The program reads the returned layout
// and puts every line back into the order and form My Table asks for, so an import of the same
// query writes the same bytes from a classic and a newer system, embedded or over SOAP.
#include "demosystem/Dictionary.h"
#include "support/DemoServerProcess.h"
#include "support/ToolPaths.h"
#include "tableaccess/QTableFile.h"
#include "support/FileBytes.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace qvor;
using qvor::test::fileBytes;

namespace {

// My Table of qualified names, with texts, types and lengths from the demo system's dictionary.
MyTableBuffer myTable(const QStringList& qualified)
{
    MyTableBuffer buffer;
    for (const QString& name : qualified) {
        const QString table = name.section(QLatin1Char('-'), 0, 0);
        const demo::TableDef* t = demo::Dictionary::instance().table(table.toStdString());
        const demo::FieldDef* f = t ? t->field(name.section(QLatin1Char('-'), 1).toStdString()) : nullptr;
        if (!f) qFatal("no field %s in the demo dictionary", qPrintable(name));
        buffer.fields.push_back({name, QString::fromStdString(f->textEn), QString(QLatin1Char(f->type)),
                                 static_cast<int16_t>(f->length)});
    }
    return buffer;
}

} // namespace

class NewerReleasesTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    test::DemoServerProcess classic_;
    test::DemoServerProcess modern_;

    QString database() const { return dir_.filePath(QStringLiteral("demo-scale1.sqlite")); }

    QByteArray extract(const QString& query, const QString& name, const QStringList& where, bool modernEmbedded)
    {
        const QString output = dir_.filePath(name);
        const test::ToolRun run = test::runExtract(
            QStringList{query, output, "--separator", ";"} + where,
            {{"QVOR_DEMO_DATABASE", database()}, {"QVOR_PASSWORD", "demo"}, {"QVOR_DEMO_RELEASE", modernEmbedded ? "modern" : ""}});
        if (run.exit != 0) return "exit " + QByteArray::number(run.exit) + ": " + run.err;
        return fileBytes(output);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFileInfo::exists(test::DemoServerProcess::program()), "qvor-demo-server is not built");
        QVERIFY2(QFileInfo::exists(test::extractToolPath()), "qvor-extract is not built");
        // One database for all: the first server generates it.
        QVERIFY2(classic_.start({"--data", dir_.path()}), qPrintable(classic_.error()));
        QVERIFY2(modern_.start({"--data", dir_.path(), "--release", "modern"}), qPrintable(modern_.error()));
    }

    void sameBytesFromEveryRelease_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QStringList>("options");
        QTest::newRow("customer name before its number") << QStringList{"KNA1-NAME1", "KNA1-KUNNR", "KNA1-LAND1"} << QStringList{};
        QTest::newRow("packed amounts, reordered and twice")
            << QStringList{"BSEG-SGTXT", "BSEG-DMBTR", "BSEG-BELNR", "BSEG-KURSR", "BSEG-BUKRS", "BSEG-WRBTR", "BSEG-DMBTR",
                           "BSEG-ZBD1P", "BSEG-ZBD1T"}
            << QStringList{"BSEG-BUKRS = '1000'"};
        QTest::newRow("packed last, in dictionary order") << QStringList{"BSEG-BUKRS", "BSEG-BELNR", "BSEG-DMBTR"} << QStringList{};
        QTest::newRow("several tables and calls")
            << QStringList{"KNA1-ORT01", "KNA1-KUNNR", "BSEG-WRBTR", "BSEG-SGTXT", "BSEG-BELNR", "BSEG-ZUONR", "BSEG-DMBTR",
                           "BSEG-HWBAS", "BSEG-FWBAS", "BSEG-MWSTS", "BSEG-WMWST", "BSEG-BUKRS"}
            << QStringList{"KNA1-LAND1 = 'DE'"};
    }
    void sameBytesFromEveryRelease()
    {
        QFETCH(QStringList, fields);
        QFETCH(QStringList, options);
        OptionsBuffer o;
        o.lines = options;
        QTableDocument doc = QTableFile::PrepareQTable(myTable(fields), o);
        doc.sRows = 0;
        const QString query = dir_.filePath(QStringLiteral("query.txt"));
        QVERIFY(QTableFile::WriteQTableFile(query, doc));

        const QByteArray classic = extract(query, "classic.csv", {}, false);
        QVERIFY2(classic.count("\r\n") > 20, classic.left(300).constData());
        const QStringList soap{"--client", "001", "--user", "DEMO", "--url"};
        QCOMPARE(extract(query, "modern.csv", {}, true), classic);
        QCOMPARE(extract(query, "soap-classic.csv", soap + QStringList{classic_.address()}, false), classic);
        QCOMPARE(extract(query, "soap-modern.csv", soap + QStringList{modern_.address()}, false), classic);
    }
};

QTEST_GUILESS_MAIN(NewerReleasesTest)
#include "newer_releases.moc"
