// Printing the lists: the exact bytes of "Fields.txt" for the four reports, the hand-over to the
// associated program, "No File", and the folder used when the first one cannot be written.
#include "support/ScriptedUiServices.h"
#include "querywindow/ListPrinter.h"
#include "querywindow/PreviewTableModel.h"
#include "util/ExternalPrograms.h"
#include "support/FileBytes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace qvor;
using namespace qvor::test;

namespace {

QByteArray sp(int n) { return QByteArray(n, ' '); }

} // namespace

class ListPrinterTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { setAssociationLookup([](const QString&) { return AssociatedCommand{"/usr/bin/viewer", {}}; }); }
    void cleanup() { setAssociationLookup({}); }
    void fieldReports();
    void optionsAndPreviewReports();
    void noProgramAndUnwritableFolder();
};

void ListPrinterTest::fieldReports()
{
    ScriptedUiServices ui;
    QTemporaryDir dir;
    const ListPrinter printer({dir.path()});
    const QByteArray text35 = "Name of the customer as in the addr";
    const QList<FieldReportRow> rows{{"KNA1-KUNNR", "Customer Number", "C", "10"},
                                     {"KNA1-NAME1", QString::fromLatin1(text35), "C", "35"},
                                     {"SCARR-URL", "Airline URL", "C", "255"}};
    // W = 10 and D = 35: FIELDTEXT starts at 16 and TYPE at 52 in the header and in the rows.
    const QByteArray expected = "COL FIELDNAME  FIELDTEXT" + sp(27) + "TYPE LENGTH\r\n\r\n"
                                "001 KNA1-KUNNR Customer Number" + sp(21) + "C    10\r\n"
                                "002 KNA1-NAME1 " + text35 + " C    35\r\n"
                                "003 SCARR-URL  Airline URL" + sp(25) + "C    255\r\n";
    const QString path = printer.PrintFields(rows);
    QCOMPARE(path, dir.filePath(QStringLiteral("Fields.txt")));
    QCOMPARE(fileBytes(path), expected);
    printer.PrintFieldsMyTable(rows);
    QCOMPARE(fileBytes(path), expected);
    QCOMPARE(ui.starts.size(), 2);
    QCOMPARE(ui.starts[0].program, QStringLiteral("/usr/bin/viewer"));
    QCOMPARE(ui.starts[0].arguments, QStringList{path});

    // From row 1000 on the numbers take four digits and shift their rows by one.
    QList<FieldReportRow> many;
    for (int i = 1; i <= 1000; ++i) many.append({QStringLiteral("T-F%1").arg(i, 4, 10, QLatin1Char('0')), "X", "N", "1"});
    printer.PrintFields(many);
    const QList<QByteArray> lines = fileBytes(path).split('\n');
    QCOMPARE(lines[0], QByteArray("COL FIELDNAMEFIELDTEXTTYPE LENGTH\r"));   // W, D < 8: no blanks
    QCOMPARE(lines[1000], QByteArray("999 T-F0999 X N    1\r"));
    QCOMPARE(lines[1001], QByteArray("1000 T-F1000 X N    1\r"));
}

void ListPrinterTest::optionsAndPreviewReports()
{
    ScriptedUiServices ui;
    QTemporaryDir dir;
    const ListPrinter printer({dir.path()});
    const QString path = printer.PrintOptions({"KNA1-LAND1 = 'DE'", QStringLiteral("AND KNA1-ORT01 LIKE 'Sã%'")});
    QCOMPARE(fileBytes(path), "NO. OPTIONS\r\n\r\n001 KNA1-LAND1 = 'DE'\r\n002 AND KNA1-ORT01 LIKE 'S\xc3\xa3%'\r\n");

    PreviewTableModel preview;
    preview.setColumns({{"C0", "Row", 640, 0}, {"C1", "Customer Number", 1500, 10}, {"C2", "Ctry", 600, 3}});
    printer.PrintPreview(preview);
    QCOMPARE(fileBytes(path), "Customer Number Ctry \r\n\r\n");   // no rows: header and empty line

    preview.AddDataPreview(1, 2, {"0000001000DE ", "0000001001US "});
    preview.sort(2, Qt::DescendingOrder);   // rows print in the shown order
    printer.PrintPreview(preview);
    QCOMPARE(fileBytes(path), "Customer Number Ctry \r\n\r\n0000001001      US   \r\n0000001000      DE   \r\n");
}

void ListPrinterTest::noProgramAndUnwritableFolder()
{
    ScriptedUiServices ui;
    QTemporaryDir dir;
    // A "folder" that is a file cannot take the report, whoever runs the test.
    const QString notAFolder = dir.filePath(QStringLiteral("plain-file"));
    QFile(notAFolder).open(QIODevice::WriteOnly);
    const QString fallback = dir.filePath(QStringLiteral("data/qvor"));

    setAssociationLookup([](const QString&) { return AssociatedCommand{}; });
    const QString path = ListPrinter({notAFolder, fallback}).PrintOptions({"X = 1"});
    QCOMPARE(path, fallback + QStringLiteral("/Fields.txt"));
    QCOMPARE(fileBytes(path), "NO. OPTIONS\r\n\r\n001 X = 1\r\n");
    QCOMPARE(ui.messageTexts(), QStringList{"No File"});

    QVERIFY(ListPrinter({notAFolder}).PrintOptions({}).isEmpty());
    QCOMPARE(ui.messageTexts().last(), QStringLiteral("Error 76: Path not found on PrintOptions"));
    QVERIFY(ui.starts.isEmpty());
}

QTEST_MAIN(ListPrinterTest)
#include "list_printer.moc"
