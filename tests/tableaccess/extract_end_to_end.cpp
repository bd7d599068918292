// An import on the embedded demo system, in process and through qvor-extract, compared byte for
// byte with the file that follows from fetching each call group on its own and joining the lines
// by hand; plus failed calls, the row limit and the preview's blank-delimited lines.
#include "demosystem/DemoSystem.h"
#include "sap/EmbeddedTransport.h"
#include "sap/FunctionsComponent.h"
#include "sap/SapConnection.h"
#include "support/ScriptedUiServices.h"
#include "support/ToolPaths.h"
#include "support/XlsxReader.h"
#include "tableaccess/FieldCatalogue.h"
#include "tableaccess/ImportRunner.h"
#include "tableaccess/OutputFile.h"
#include "tableaccess/QTableFile.h"
#include "util/AppSettings.h"
#include "util/FileCodec.h"
#include "support/FileBytes.h"
#include "support/CatalogueFields.h"

#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace qvor;
using qvor::test::fileBytes;

namespace {

// Appends the named fields, every one of which the table must have.
void addFields(MyTableBuffer& buffer, const QString& table, const QStringList& names)
{
    const std::vector<MyTableField> found = test::catalogueFields(table, names);
    QCOMPARE(found.size(), std::size_t(names.size()));
    buffer.fields.insert(buffer.fields.end(), found.begin(), found.end());
}

// What the program writes, worked out the plain way: every group fetched on its own, the rows
// joined in memory one group after another.
QByteArray predictedFile(const MyTableBuffer& fields, const OptionsBuffer& options, const QString& sep, qint32 limit)
{
    CallGroups groups;
    if (!groups.build(fields, options, nullptr)) return "<no groups>";
    QStringList rows;
    for (int k = 1; k <= groups.count(); ++k) {
        const CallGroup& g = groups.group(k);
        RfcFunction* f = GetData(ReadTableRequest::forGroup(g, limit, sep), fields, options);
        if (!f) continue;
        RfcTable& data = f->Tables("DATA");
        const int n = data.RowCount();
        while (rows.size() < n) rows << QString();
        for (int r = 1; r <= rows.size(); ++r) {
            QString& row = rows[r - 1];
            if (k == 1) {
                row = data.Value(r, "WA");
                continue;
            }
            const int found = row.count(sep);
            for (int i = 0; i < g.firstField - 1 - found; ++i) row += sep;
            if (r <= n) row += data.Value(r, "WA");
        }
    }
    QStringList lines{OutputFile::fieldNamesLine(fields, sep), OutputFile::fieldTextsLine(fields, sep)};
    return joinLinesCrLf(lines + rows);
}

// Where two files part, for a readable failure.
QByteArray difference(const QByteArray& actual, const QByteArray& expected)
{
    qsizetype i = 0;
    while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) ++i;
    return "at byte " + QByteArray::number(i) + ": actual [" + actual.mid(std::max<qsizetype>(0, i - 40), 80) +
           "] expected [" + expected.mid(std::max<qsizetype>(0, i - 40), 80) + "]";
}

#define COMPARE_FILE(actual, expected) \
    do { \
        const QByteArray a_ = (actual), e_ = (expected); \
        QVERIFY2(a_ == e_, difference(a_, e_).constData()); \
    } while (false)


} // namespace

class ExtractEndToEndTest : public QObject {
    Q_OBJECT

    test::ScriptedUiServices ui_;
    MyTableBuffer fields_;
    OptionsBuffer options_;
    QTemporaryDir dir_;

    void connectDemo()
    {
        if (sapConnection().connected()) return;
        ui_.logonAnswers.push_back(LogonEntry{"DEMO", "001", "DEMO", "demo", "EN"});
        sapConnection().Connect();
        QVERIFY(sapConnection().connected());
    }

    ImportRunner::Outcome runImport(const ImportJob& job, ImportRunner& runner)
    {
        QSignalSpy done(&runner, &ImportRunner::finished);
        runner.startImport(job);
        if (done.isEmpty()) done.wait(60000);
        return runner.outcome();
    }

    int runTool(const QStringList& args, QByteArray* out = nullptr)
    {
        const test::ToolRun run = test::runExtract(args, {{"QVOR_PASSWORD", ""}});
        if (out) *out = run.out;
        return run.exit;
    }

private Q_SLOTS:
    void initTestCase()
    {
        appSettings() = {};
        // One database file for this process and the tool's, so both read the very same rows.
        qputenv("QVOR_DEMO_DATABASE", QFile::encodeName(dir_.filePath("demo.sqlite")));
        connectDemo();
        // Three runs of two tables and a run wide enough to need three calls.
        addFields(fields_, "KNA1", {"KUNNR", "NAME1", "ORT01"});
        const auto bseg = test::catalogueFields("BSEG", 1, 60);
        fields_.fields.insert(fields_.fields.end(), bseg.begin(), bseg.end());
        addFields(fields_, "T001", {"BUKRS", "BUTXT"});
        addFields(fields_, "KNA1", {"LAND1"});
        // Each line names its field first; the group sends it without the "TABLE-" in front.
        options_.lines = QStringList{"KNA1-LAND1 = 'DE'", "BSEG-BUKRS = '1000' AND", "BSEG-SHKZG = 'S'"};
        CallGroups groups;
        QVERIFY(groups.build(fields_, options_, nullptr));
        QVERIFY2(groups.count() >= 5, "the BSEG run should need more than one call");
    }

    void importMatchesThePlainJoin_data()
    {
        QTest::addColumn<QString>("separator");
        QTest::addColumn<qint32>("limit");
        QTest::newRow("semicolon, all rows") << ";" << 0;
        QTest::newRow("pipe, 7 rows") << "|" << 7;
    }
    void importMatchesThePlainJoin()
    {
        QFETCH(QString, separator);
        QFETCH(qint32, limit);
        connectDemo();
        const QByteArray expected = predictedFile(fields_, options_, separator, limit);
        QVERIFY(expected.count("\r\n") > 4);
        QVERIFY2(ui_.messages.isEmpty(), qPrintable(ui_.messageTexts().join('|')));

        ImportJob job{fields_, options_, dir_.filePath("import.csv"), separator, limit};
        ImportRunner runner;
        runner.setSliceRows(50);   // several slices, as a large import has
        QSignalSpy written(&runner, &ImportRunner::outputWritten);
        QSignalSpy progress(&runner, &ImportRunner::progressChanged);
        QCOMPARE(runImport(job, runner), ImportRunner::Outcome::Done);
        COMPARE_FILE(fileBytes(job.outputPath), expected);
        QCOMPARE(written.size(), 1);
        float last = 0;
        for (const auto& args : progress) {
            QVERIFY(args.at(0).toFloat() >= last);
            last = args.at(0).toFloat();
        }
        // 9 / G rounded per call can carry the value past 1, as the program's strip does.
        QVERIFY(last >= 0.985f);
        QVERIFY(runner.completionText().startsWith(
            QStringLiteral("My Table > %1 Fields %2 Rows %3 Bytes/Row was completed successfully in ")
                .arg(fields_.count()).arg(runner.rowCount()).arg(fields_.totalLength())));
        QCOMPARE(ui_.waitDepth, 0);

        // The command-line tool writes the same bytes.
        QVERIFY2(QFileInfo::exists(qvor::test::extractToolPath()), "qvor-extract is not built");
        QTableDocument doc = QTableFile::PrepareQTable(fields_, options_);
        doc.sRows = limit;
        const QString query = dir_.filePath("query.txt");
        QVERIFY(QTableFile::WriteQTableFile(query, doc));
        QByteArray out;
        QCOMPARE(runTool({query, dir_.filePath("tool.csv"), "--separator", separator}, &out), 0);
        COMPARE_FILE(fileBytes(dir_.filePath("tool.csv")), expected);
        QVERIFY(out.startsWith("My Table > "));
    }

    // Rows joined by key come out as the rows paired by position when every call answers in key
    // order, whatever order the calls answer in; tables are matched on their shared key.
    void joinsByKeyWhateverTheOrder()
    {
        connectDemo();
        ui_.clear();
        std::string why;
        demo::DemoSystem* demo = EmbeddedTransport::sharedDemoSystem(&why);
        MyTableBuffer wide;
        wide.fields = test::catalogueFields("BSEG", 1, 60);
        ImportJob job{wide, {}, dir_.filePath("positional.txt"), ";", 150};
        ImportRunner runner;
        QCOMPARE(runImport(job, runner), ImportRunner::Outcome::Done);
        demo->shuffleRows(7);
        const auto unshuffle = qScopeGuard([demo] { demo->shuffleRows(0); });
        job.outputPath = dir_.filePath("keyed.txt");
        job.output.joinOnKeys = true;
        QCOMPARE(runImport(job, runner), ImportRunner::Outcome::Done);
        COMPARE_FILE(fileBytes(job.outputPath), fileBytes(dir_.filePath("positional.txt")));

        MyTableBuffer two;
        addFields(two, "KNA1", {"KUNNR", "NAME1"});
        addFields(two, "KNB1", {"BUKRS", "KUNNR"});
        job = ImportJob{two, {}, dir_.filePath("two.txt"), ";", 0};
        job.output.joinOnKeys = true;
        QCOMPARE(runImport(job, runner), ImportRunner::Outcome::Done);
        const QList<QByteArray> lines = fileBytes(job.outputPath).split('\n');
        int matched = 0;
        for (qsizetype i = 2; i + 1 < lines.size(); ++i) {
            const QList<QByteArray> v = lines[i].trimmed().split(';');
            QCOMPARE(v.size(), 4);
            if (v[3].isEmpty()) continue;
            ++matched;
            QCOMPARE(v[3].trimmed(), v[0].trimmed());
        }
        QVERIFY(matched > 0);
        QVERIFY2(ui_.messages.isEmpty(), qPrintable(ui_.messageTexts().join('|')));

        // Paired by position, the two tables' customer numbers are compared and the misfits counted.
        demo->shuffleRows(0);
        job.output.joinOnKeys = false;
        QCOMPARE(runImport(job, runner), ImportRunner::Outcome::Done);
        QVERIFY2(runner.completionText().contains(QRegularExpression("; [1-9]\\d* lines paired rows with different keys$")),
                 qPrintable(runner.completionText()));
    }

    // The tool writes the spreadsheet formats; the positional file of the same query stays as it is.
    void spreadsheetFormatsThroughTheTool()
    {
        MyTableBuffer fields;
        addFields(fields, "KNA1", {"KUNNR", "NAME1", "ERDAT"});
        addFields(fields, "KNB1", {"BUKRS"});
        const QString query = dir_.filePath("formats.txt");
        QVERIFY(QTableFile::WriteQTableFile(query, QTableFile::PrepareQTable(fields, {})));
        QCOMPARE(runTool({query, dir_.filePath("f.csv"), "--format", "csv", "--separator", ","}), 0);
        const QList<QByteArray> csv = fileBytes(dir_.filePath("f.csv")).split('\n');
        QCOMPARE(csv.first(), QByteArray("\xEF\xBB\xBFKNA1-KUNNR,KNA1-NAME1,KNA1-ERDAT,KNB1-BUKRS\r"));
        QVERIFY2(QRegularExpression("^\\d{10},[^,]*[^ ,],(\\d{4}-\\d\\d-\\d\\d)?,\\d{4}\r$").match(QString::fromUtf8(csv[1])).hasMatch(),
                 csv[1].constData());

        QCOMPARE(runTool({query, dir_.filePath("f.xlsx"), "--format", "xlsx", "--join-on-keys", "--descriptions"}), 0);
        test::XlsxReader book;
        QString why;
        QVERIFY2(book.open(dir_.filePath("f.xlsx"), &why), qPrintable(why));
        const auto sheets = book.sheets();
        QCOMPARE(sheets.size(), 1);
        QCOMPARE(sheets[0].name, QStringLiteral("KNA1"));
        QCOMPARE(sheets[0].frozenRows, 2);
        QCOMPARE(sheets[0].rows[0][3].value, QStringLiteral("KNB1-BUKRS"));
        QCOMPARE(sheets[0].rows[2][2].format, QStringLiteral("yyyy-mm-dd"));
        QCOMPARE(sheets[0].rows.size(), csv.size() - 1 + 1);   // a description row; the csv ends in an empty piece

        QCOMPARE(runTool({query, dir_.filePath("f.bad"), "--format", "xls"}), 2);
        QVERIFY(!QFileInfo::exists(dir_.filePath("f.bad")));
    }

    void failedCallLeavesItsColumnsEmpty()
    {
        connectDemo();
        // A field the table does not have (any more) fails the first call only.
        MyTableBuffer bad = fields_;
        bad.fields[1].name = QStringLiteral("KNA1-NOSUCHFIELD");
        const QByteArray expected = predictedFile(bad, options_, ";", 20);
        QCOMPARE(ui_.messageTexts().join('|'), QStringLiteral("FIELD_NOT_VALID"));
        ui_.clear();

        ImportJob job{bad, options_, dir_.filePath("failed.csv"), ";", 20};
        ImportRunner runner;
        QCOMPARE(runImport(job, runner), ImportRunner::Outcome::GroupsFailed);
        QCOMPARE(runner.failedGroups(), 1);
        QCOMPARE(ui_.messageTexts(), QStringList{"FIELD_NOT_VALID"});
        COMPARE_FILE(fileBytes(job.outputPath), expected);
        // The rows start with the empty places of the failed group's three fields.
        QVERIFY(expected.split('\n').at(2).startsWith(";;;"));
        QVERIFY(sapConnection().connected());

        QVERIFY2(QFileInfo::exists(qvor::test::extractToolPath()), "qvor-extract is not built");
        QTableDocument doc = QTableFile::PrepareQTable(bad, options_);
        doc.sRows = 20;
        const QString query = dir_.filePath("bad.txt");
        QVERIFY(QTableFile::WriteQTableFile(query, doc));
        QCOMPARE(runTool({query, dir_.filePath("bad.csv"), "--separator", ";"}), 4);
        COMPARE_FILE(fileBytes(dir_.filePath("bad.csv")), expected);
    }

    void systemFailureDisconnects()
    {
        connectDemo();
        ui_.clear();
        std::string why;
        EmbeddedTransport::sharedDemoSystem(&why)->failNextCall();
        ImportJob job{fields_, options_, dir_.filePath("sf.csv"), ";", 5};
        ImportRunner runner;
        QCOMPARE(runImport(job, runner), ImportRunner::Outcome::GroupsFailed);
        QVERIFY(!sapConnection().connected());
        const QStringList messages = ui_.messageTexts();
        QCOMPARE(messages.first(), QStringLiteral("SYSTEM_FAILURE"));
        // Without a connection the remaining calls cannot be made.
        QCOMPARE(messages.size(), runner.groups().count());
        QCOMPARE(messages.last(), QStringLiteral("Error 91: Object variable or With block variable not set on GetData "));
        // The file holds the header lines only.
        QCOMPARE(fileBytes(job.outputPath).count("\r\n"), 2);
    }

    void outputNotWritableFetchesNothing()
    {
        connectDemo();
        ui_.clear();
        ImportJob job{fields_, options_, dir_.filePath("no/such/folder.csv"), ";", 5};
        ImportRunner runner;
        QCOMPARE(runImport(job, runner), ImportRunner::Outcome::OutputFailed);
        QCOMPARE(ui_.messageTexts(), QStringList{"Error 76: Path not found"});
        QCOMPARE(runner.groups().count(), 0);

        QVERIFY2(QFileInfo::exists(qvor::test::extractToolPath()), "qvor-extract is not built");
        const QString query = dir_.filePath("ok.txt");
        QVERIFY(QTableFile::WriteQTableFile(query, QTableFile::PrepareQTable(fields_, options_)));
        QCOMPARE(runTool({query, dir_.filePath("no/such/folder.csv")}), 3);
        QCOMPARE(runTool({dir_.filePath("missing.txt"), dir_.filePath("x.csv")}), 2);
        QCOMPARE(runTool({query}), 2);
        QCOMPARE(runTool({query, dir_.filePath("x.csv"), "--rows", "many"}), 2);
        QCOMPARE(runTool({query, dir_.filePath("x.csv"), "--url", "http://127.0.0.1:1", "--user", "U"}), 1);   // nothing listens there
        QCOMPARE(runTool({query, dir_.filePath("x.csv"), "--user", "AUDITOR"}), 1);   // no password on stdin
    }

    void previewHandsOverBlankDelimitedLines()
    {
        connectDemo();
        ui_.clear();
        ImportJob job{fields_, options_, {}, ";", 0};
        ImportRunner runner;
        MyTableBuffer fields = fields_;
        int groupsSeen = 0;
        QSignalSpy done(&runner, &ImportRunner::finished);
        runner.startPreview(job, [&](const CallGroup& g, const rfc::Table& data) {
            ++groupsSeen;
            QVERIFY(data.rows.size() <= 500);
            int width = 0;
            for (int i = g.firstField; i <= g.lastField; ++i) width += fields.field(i).length;
            const int wa = data.columnIndex("WA");
            for (const auto& row : data.rows)
                QCOMPARE(QString::fromStdString(row[std::size_t(wa)]).size(), width);
        });
        QVERIFY(done.wait(60000));
        QCOMPARE(runner.outcome(), ImportRunner::Outcome::Done);
        QCOMPARE(groupsSeen, runner.groups().count());
        QVERIFY(runner.rowCount() > 0 && runner.rowCount() <= 500);
        QVERIFY(ui_.messages.isEmpty());
    }
};

QTEST_GUILESS_MAIN(ExtractEndToEndTest)
#include "extract_end_to_end.moc"
