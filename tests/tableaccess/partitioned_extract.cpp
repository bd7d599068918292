// qvor-extract reading in partitions, pages and parallel sessions, on the embedded demo system and
// over qvor-demo-server: the same bytes as the plain run, one SAP session per parallel logon,
// transient failures retried, a failed or killed run continued with --resume, and bad settings
// refused before anything is written.
#include "sap/EmbeddedTransport.h"
#include "sap/SapConnection.h"
#include "support/DemoServerProcess.h"
#include "support/ScriptedUiServices.h"
#include "support/ToolPaths.h"
#include "tableaccess/CallGroups.h"
#include "tableaccess/FieldCatalogue.h"
#include "tableaccess/QTableFile.h"
#include "tableaccess/ResumeState.h"
#include "util/AppSettings.h"
#include "support/FileBytes.h"
#include "support/CatalogueFields.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace qvor;
using qvor::test::fileBytes;

namespace {

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

using Run = test::ToolRun;

} // namespace

class PartitionedExtractTest : public QObject {
    Q_OBJECT

    test::ScriptedUiServices ui_;
    test::DemoServerProcess server_;
    QTemporaryDir dir_;
    std::map<QString, QByteArray> plain_;   // the plain run's output per transport, query and row limit
    int wideCalls_ = 0;                     // calls per partition of the "wide" query

    QString path(const QString& name) const { return dir_.filePath(name); }

    // Writes the query files from the embedded system's own catalogue: "wide" BSEG fields cut
    // into several calls, "options" BSEG with conditions joined by OR, "flights" SFLIGHT.
    int writeQuery(const QString& name, const QString& table, int fieldCount, const QStringList& options)
    {
        MyTableBuffer fields;
        fields.fields = test::catalogueFields(table, 1, fieldCount);
        if (fields.fields.empty()) return 0;
        OptionsBuffer buffer;
        buffer.lines = options;
        CallGroups groups;
        groups.build(fields, buffer, nullptr);
        return QTableFile::WriteQTableFile(path(name + ".txt"), QTableFile::PrepareQTable(fields, buffer)) ? groups.count() : 0;
    }

    // Reads from the n-th on fail: the plan's three (catalogue, key fields, sample) and four
    // partitions of the "wide" query pass.
    QString failAfterFourPartitions() const { return QString::number(3 + 4 * wideCalls_ + 1) + "+"; }

    Run extract(const QString& query, const QString& output, const QStringList& args,
                const QMap<QString, QString>& env = {}, std::function<void(QProcess&)> meanwhile = {})
    {
        QMap<QString, QString> all{{"QVOR_DEMO_DATABASE", ":memory:"}, {"QVOR_PASSWORD", "demo"}, {"QVOR_RETRY_PAUSE_MS", "20"}};
        all.insert(env);
        return test::runExtract(QStringList{path(query + ".txt"), output} + args, all, meanwhile);
    }

    QStringList over(const QString& transport) const
    {
        return transport == "soap" ? QStringList{"--url", server_.address(), "--user", "DEMO"} : QStringList{};
    }

    QByteArray plainOutput(const QString& transport, const QString& query, const QString& rows)
    {
        const QString key = transport + query + rows;
        if (!plain_.count(key)) {
            const QString out = path("plain.csv");
            const Run run = extract(query, out, over(transport) + QStringList{"--rows", rows});
            if (run.exit != 0) return "<plain run failed: " + run.err + ">";
            plain_[key] = fileBytes(out);
        }
        return plain_[key];
    }

    static void verifyNothingLeftBeside(const QString& output)
    {
        QVERIFY(!QFile::exists(ResumeState::statePath(output)));
        QVERIFY(!QFile::exists(ResumeState::partPath(output)));
    }

private Q_SLOTS:
    void initTestCase()
    {
        appSettings() = {};
        QVERIFY(dir_.isValid());
        EmbeddedTransport::useInMemoryDemoForTests();
        ui_.logonAnswers.push_back(LogonEntry{"DEMO", "001", "DEMO", "demo", "EN"});
        sapConnection().Connect();
        QVERIFY(sapConnection().connected());
        wideCalls_ = writeQuery("wide", "BSEG", 60, {});
        QVERIFY(wideCalls_ >= 2);
        QVERIFY(writeQuery("options", "BSEG", 8, {"BSEG-KOART = 'D' OR", "BSEG-SHKZG = 'H'"}));
        QVERIFY(writeQuery("flights", "SFLIGHT", 6, {}));
        sapConnection().Disconnect();
        QVERIFY2(server_.start(), qPrintable(server_.error()));
    }

    void sameBytesAsThePlainRun_data()
    {
        QTest::addColumn<QString>("transport");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QStringList>("args");
        QTest::newRow("several calls per partition") << "embedded" << "wide" << "0" << QStringList{"--partition", "BELNR:7", "--parallel", "3"};
        QTest::newRow("partitions in pages") << "embedded" << "wide" << "0"
                                             << QStringList{"--partition", "BELNR:5", "--page-rows", "700", "--parallel", "2"};
        QTest::newRow("pages alone") << "embedded" << "wide" << "0" << QStringList{"--page-rows", "999"};
        QTest::newRow("user conditions") << "embedded" << "options" << "0" << QStringList{"--partition", "BUKRS:3"};
        QTest::newRow("date key") << "embedded" << "flights" << "0" << QStringList{"--partition", "FLDATE:6", "--parallel", "2"};
        QTest::newRow("row limit") << "embedded" << "wide" << "2500" << QStringList{"--partition", "BELNR:8", "--parallel", "4"};
        QTest::newRow("over SOAP") << "soap" << "wide" << "0"
                                   << QStringList{"--partition", "BELNR:5", "--parallel", "4", "--page-rows", "1500"};
        QTest::newRow("over SOAP, qualified date key") << "soap" << "flights" << "0" << QStringList{"--partition", "SFLIGHT-FLDATE:4"};
    }
    void sameBytesAsThePlainRun()
    {
        QFETCH(QString, transport);
        QFETCH(QString, query);
        QFETCH(QString, rows);
        QFETCH(QStringList, args);
        const QByteArray expected = plainOutput(transport, query, rows);
        QVERIFY2(expected.count('\n') > 100, expected.left(300).constData());
        const QString out = path("partitioned.csv");
        const Run run = extract(query, out, over(transport) + args + QStringList{"--rows", rows});
        QVERIFY2(run.exit == 0, run.err.constData());
        QVERIFY(fileBytes(out) == expected);
        verifyNothingLeftBeside(out);
    }

    void parallelSessionsEachLogOn()
    {
        test::DemoServerProcess server;
        QVERIFY2(server.start(), qPrintable(server.error()));
        const Run run = extract("wide", path("sessions.csv"),
                                {"--url", server.address(), "--user", "DEMO", "--partition", "BELNR:8", "--parallel", "4"});
        QVERIFY2(run.exit == 0, run.err.constData());
        // The logon itself and the function component's logon, then three more sessions.
        QCOMPARE(server.sessionsOpened(), 5);
    }

    void transientFailuresAreRetried_data()
    {
        QTest::addColumn<QString>("transport");
        QTest::newRow("embedded: lost connections") << "embedded";
        QTest::newRow("SOAP: HTTP 503") << "soap";
    }
    void transientFailuresAreRetried()
    {
        QFETCH(QString, transport);
        const QByteArray expected = plainOutput(transport, "wide", "0");
        test::DemoServerProcess flaky;
        QStringList args{"--partition", "BELNR:6", "--parallel", "3"};
        if (transport == "soap") {
            QVERIFY2(flaky.start({"--unavailable-every", "3"}), qPrintable(flaky.error()));
            args += QStringList{"--url", flaky.address(), "--user", "DEMO"};
        }
        const QString out = path("retried.csv");
        const Run run = extract("wide", out, args, {{"QVOR_DEMO_LOSE_CALLS", "4"}});
        QVERIFY2(run.exit == 0, run.err.constData());
        QVERIFY2(run.err.contains("again (try 2 of 4)"), run.err.constData());
        QVERIFY(fileBytes(out) == expected);
    }

    void failedRunKeepsTheOldFileAndResumes()
    {
        const QString out = path("resumed.csv");
        writeBytes(out, "the previous output\r\n");
        // Four partitions pass, then every read fails, also after its retries.
        const QStringList args{"--partition", "BELNR:8"};
        Run run = extract("wide", out, args, {{"QVOR_DEMO_LOSE_CALLS", failAfterFourPartitions()}});
        QCOMPARE(run.exit, 4);
        QVERIFY2(run.err.contains("The connection to the demo system was lost"), run.err.constData());
        QVERIFY2(run.err.contains("with 4 of 8 partitions written"), run.err.constData());
        QCOMPARE(fileBytes(out), QByteArray("the previous output\r\n"));
        QVERIFY(QFile::exists(ResumeState::statePath(out)));

        run = extract("wide", out, args + QStringList{"--resume"});
        QVERIFY2(run.exit == 0, run.err.constData());
        QVERIFY2(run.err.contains("after partition 4 of 8"), run.err.constData());
        QVERIFY(fileBytes(out) == plainOutput("embedded", "wide", "0"));
        verifyNothingLeftBeside(out);
    }

    void killedRunResumes()
    {
        test::DemoServerProcess slow;
        QVERIFY2(slow.start({"--call-delay", "150"}), qPrintable(slow.error()));
        const QString out = path("killed.csv");
        const QStringList args{"--url", slow.address(), "--user", "DEMO", "--partition", "BELNR:8"};
        const Run killed = extract("wide", out, args, {}, [&out](QProcess& p) {
            // Killed without warning once a few partitions are durable.
            QTRY_VERIFY_WITH_TIMEOUT(ResumeState::load(ResumeState::statePath(out), nullptr).value_or(ResumeState()).done >= 3, 60000);
            ::kill(pid_t(p.processId()), SIGKILL);
        });
        QCOMPARE(killed.exit, -1);
        QVERIFY(!QFile::exists(out));
        const Run run = extract("wide", out, args + QStringList{"--resume"});
        QVERIFY2(run.exit == 0, run.err.constData());
        QVERIFY2(run.err.contains("Continuing the interrupted import"), run.err.constData());
        QVERIFY(fileBytes(out) == plainOutput("soap", "wide", "0"));
        verifyNothingLeftBeside(out);
    }

    void badSettingsWriteNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown field") << QStringList{"--partition", "XBELNR"} << "XBELNR is not a field of table BSEG";
        QTest::newRow("not a key field") << QStringList{"--partition", "SGTXT"} << "SGTXT is not a key field of table BSEG";
        QTest::newRow("table not queried") << QStringList{"--partition", "KNA1-KUNNR"} << "names a table that is not in My Table";
        QTest::newRow("one partition") << QStringList{"--partition", "BELNR:1"} << "between 2 and 1000";
        QTest::newRow("too many partitions") << QStringList{"--partition", "BELNR:1001"} << "between 2 and 1000";
        QTest::newRow("nine sessions") << QStringList{"--parallel", "9"} << "between 1 and 8";
        QTest::newRow("no session") << QStringList{"--parallel", "0"} << "between 1 and 8";
        QTest::newRow("csv") << QStringList{"--partition", "BELNR", "--format", "csv"} << "write the file as SAP delivers it";
        QTest::newRow("join by key") << QStringList{"--parallel", "2", "--join-on-keys"} << "paired by position";
    }
    void badSettingsWriteNothing()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const QString out = path("bad.csv");
        writeBytes(out, "kept\r\n");
        const Run run = extract("wide", out, args);
        QCOMPARE(run.exit, 2);
        QVERIFY2(run.err.contains(message.toUtf8()), run.err.constData());
        QCOMPARE(fileBytes(out), QByteArray("kept\r\n"));
        verifyNothingLeftBeside(out);
    }

    void stateOfAnotherQueryOrOutputIsRefused()
    {
        const QString out = path("first.csv");
        const QStringList args{"--partition", "BELNR:8"};
        QCOMPARE(extract("wide", out, args, {{"QVOR_DEMO_LOSE_CALLS", failAfterFourPartitions()}}).exit, 4);
        const QByteArray state = fileBytes(ResumeState::statePath(out));

        Run run = extract("options", out, args + QStringList{"--resume"});
        QCOMPARE(run.exit, 2);
        QVERIFY2(run.err.contains("belongs to an import of another query"), run.err.constData());

        const QString other = path("second.csv");
        writeBytes(ResumeState::statePath(other), state);
        run = extract("wide", other, args + QStringList{"--resume"});
        QCOMPARE(run.exit, 2);
        QVERIFY2(run.err.contains("belongs to an import into " + out.toUtf8()), run.err.constData());
        QVERIFY(!QFile::exists(other));
        QCOMPARE(fileBytes(ResumeState::statePath(out)), state);
    }
};

QTEST_GUILESS_MAIN(PartitionedExtractTest)
#include "partitioned_extract.moc"
