// The program and qvor-extract against qvor-demo-server over SOAP on the loopback: the same logon
// values, catalogue and output bytes as the embedded demo system, one server session per logon,
// and every failure (wrong password, ABAP exceptions, a slow or vanishing server) reported clearly.
#include "rfc/Utf8.h"
#include "sap/BapiComponent.h"
#include "sap/ComponentFactory.h"
#include "sap/EmbeddedTransport.h"
#include "sap/FunctionsComponent.h"
#include "sap/RfcReply.h"
#include "sap/SapConnection.h"
#include "sap/SoapTransport.h"
#include "support/DemoServerProcess.h"
#include "support/ScriptedUiServices.h"
#include "support/ToolPaths.h"
#include "tableaccess/FieldCatalogue.h"
#include "tableaccess/ImportRunner.h"
#include "tableaccess/QTableFile.h"
#include "util/AppSettings.h"
#include "util/StatusPanels.h"
#include "util/UiTexts.h"
#include "support/FileBytes.h"
#include "support/CatalogueFields.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace qvor;
using qvor::test::fileBytes;

namespace {


void addFields(MyTableBuffer& buffer, const QString& table, int first, int count)
{
    const std::vector<MyTableField> found = test::catalogueFields(table, first, count);
    QCOMPARE(int(found.size()), count);
    buffer.fields.insert(buffer.fields.end(), found.begin(), found.end());
}

rfc::FunctionCall readTable(const std::string& table, const std::string& rowCount = "0", const std::vector<std::string>& fields = {})
{
    rfc::FunctionCall call;
    call.name = "RFC_READ_TABLE";
    call.parameters = {{"QUERY_TABLE", table}, {"DELIMITER", "|"}, {"ROWCOUNT", rowCount}};
    call.tables["OPTIONS"].columns = {"TEXT"};
    call.tables["FIELDS"].columns = {"FIELDNAME", "OFFSET", "LENGTH", "TYPE", "FIELDTEXT"};
    for (const std::string& f : fields) call.tables["FIELDS"].rows.push_back({f, "", "", "", ""});
    call.tables["DATA"].columns = {"WA"};
    return call;
}

// One call on its own transport, waited for.
std::unique_ptr<RfcReply> callOn(SoapTransport& transport, const rfc::FunctionCall& call)
{
    std::unique_ptr<RfcReply> reply(transport.call(call));
    reply->waitForFinished();
    return reply;
}

} // namespace

class SoapEndToEndTest : public QObject {
    Q_OBJECT

    test::ScriptedUiServices ui_;
    test::DemoServerProcess server_;
    QTemporaryDir dir_;
    SystemEntry entry_;

    LogonEntry logon(const QString& password = QStringLiteral("demo")) const
    {
        return LogonEntry{entry_.name, "001", "DEMO", password, "EN"};
    }

    void connect()
    {
        if (sapConnection().connected()) return;
        ui_.logonAnswers.push_back(logon());
        sapConnection().Connect();
        QVERIFY(sapConnection().connected());
    }

    int runTool(const QStringList& args, const QByteArray& password, QByteArray* err = nullptr)
    {
        const test::ToolRun run =
            test::runExtract(args, {{"QVOR_PASSWORD", QString::fromUtf8(password)}, {"QVOR_DEMO_DATABASE", ":memory:"}});
        if (err) *err = run.err;
        return run.exit;
    }

private Q_SLOTS:
    void initTestCase()
    {
        appSettings() = {};
        // Both ends generate the same deterministic demo system, each in its own memory.
        EmbeddedTransport::useInMemoryDemoForTests();
        QVERIFY2(QFileInfo::exists(test::DemoServerProcess::program()), "qvor-demo-server is not built");
        QVERIFY2(server_.start(), qPrintable(server_.error()));
        entry_.name = QStringLiteral("LOOP");
        entry_.address = server_.address();
        sapConnection().componentFactory().addSystem(entry_);
    }

    void cleanupTestCase() { sapConnection().Disconnect(); }

    void logonReadsTheSystemsOwnValues()
    {
        sapConnection().Disconnect();
        ui_.clear();
        ui_.logonAnswers = {logon(QStringLiteral("wrong")), logon()};
        sapConnection().Connect();

        QVERIFY(sapConnection().connected());
        QCOMPARE(ui_.logonErrors, QStringList{tx(TextId::SoapLogonFailed).arg(QStringLiteral("LOOP (127.0.0.1)"))});
        const RfcConnection& c = sapConnection().bapi()->Connection();
        QCOMPARE(c.System(), QStringLiteral("DEM"));
        QCOMPARE(c.SystemID(), QStringLiteral("LOOP"));
        QCOMPARE(c.SystemNumber(), QStringLiteral("00"));
        QCOMPARE(c.saprelease(), QStringLiteral("750"));
        QVERIFY(!c.HostName().isEmpty());
        QCOMPARE(panels().connectionText(), QStringLiteral("DEM 001 DEMO "));
        QVERIFY2(panels().connectionToolTip().contains(server_.address() + QStringLiteral("/sap/bc/soap/rfc")),
                 qPrintable(panels().connectionToolTip()));
    }

    void exceptionsArriveWithSapsNames()
    {
        connect();
        SoapTransport transport(entry_);
        std::unique_ptr<RfcReply>(transport.logon({entry_.name, "001", "DEMO", "demo", "EN"}))->waitForFinished();

        auto reply = callOn(transport, readTable("NO_SUCH_TABLE"));
        QCOMPARE(reply->errorText(), QString());
        QCOMPARE(reply->result().exception, std::string("TABLE_NOT_AVAILABLE"));

        // A runtime error on the server is a SYSTEM_FAILURE with its text.
        reply = callOn(transport, readTable("T000", "many"));
        QCOMPARE(reply->result().exception, std::string("SYSTEM_FAILURE"));
        QVERIFY2(reply->result().message.find("CONVT_NO_NUMBER") != std::string::npos, reply->result().message.c_str());

        // The lines come back as wide as the layout, as the embedded system hands them over.
        reply = callOn(transport, readTable("T000"));
        const rfc::Table& data = reply->result().tables.at("DATA");
        QVERIFY(data.rows.size() > 1);
        const std::size_t width = rfc::utf8::length(data.rows[0][0]);
        for (const auto& row : data.rows) QCOMPARE(rfc::utf8::length(row[0]), width);
        QVERIFY(data.rows[0][0].ends_with(' '));
    }

    void importMatchesTheEmbeddedSystemByteForByte()
    {
        connect();
        MyTableBuffer fields;
        addFields(fields, "KNA1", 1, 6);
        addFields(fields, "BSEG", 1, 60);
        OptionsBuffer options;
        options.lines = QStringList{"KNA1-LAND1 = 'DE'", "BSEG-BUKRS = '1000'"};
        QTableDocument doc = QTableFile::PrepareQTable(fields, options);
        doc.sRows = 0;
        const QString query = dir_.filePath("query.txt");
        QVERIFY(QTableFile::WriteQTableFile(query, doc));

        // In the program, over SOAP.
        ImportJob job{fields, options, dir_.filePath("program.csv"), ";", 0};
        ImportRunner runner;
        QSignalSpy done(&runner, &ImportRunner::finished);
        runner.startImport(job);
        if (done.isEmpty()) QVERIFY(done.wait(120000));
        QCOMPARE(runner.outcome(), ImportRunner::Outcome::Done);
        QVERIFY(runner.groups().count() >= 3);

        QVERIFY2(QFileInfo::exists(qvor::test::extractToolPath()), "qvor-extract is not built");
        QCOMPARE(runTool({query, dir_.filePath("embedded.csv"), "--separator", ";"}, "demo"), 0);
        const int sessionsBefore = server_.sessionsOpened();
        QByteArray err;
        QCOMPARE(runTool({query, dir_.filePath("soap.csv"), "--separator", ";", "--url", server_.address(), "--client",
                          "001", "--user", "DEMO"}, "demo", &err), 0);
        const QByteArray embedded = fileBytes(dir_.filePath("embedded.csv"));
        QVERIFY(embedded.count("\r\n") > 10);
        QVERIFY(fileBytes(dir_.filePath("soap.csv")) == embedded);
        QVERIFY(fileBytes(job.outputPath) == embedded);
        // The logon and every call of the import ride on the sessions of the two components.
        QCOMPARE(server_.sessionsOpened() - sessionsBefore, 2);

        // A wrong password fails the logon with the logon exit status.
        QCOMPARE(runTool({query, dir_.filePath("x.csv"), "--url", server_.address(), "--user", "DEMO"}, "nope", &err), 1);
        QVERIFY2(err.contains("HTTP 401"), err.constData());
    }

    void catalogueAndPreviewAreThoseOfTheEmbeddedSystem()
    {
        auto previewLines = [this](const LogonEntry& logon) {
            sapConnection().Disconnect();
            ui_.logonAnswers.push_back(logon);
            sapConnection().Connect();
            QStringList lines;
            if (!sapConnection().connected()) return QStringList{"<not connected>"};
            for (const char* table : {"BSEG", "/DMO/FLIGHT", "ZQVR_LONGTEXT"}) {
                std::vector<FieldEntry> catalogue;
                if (!GetFields(table, &catalogue)) return QStringList{"<no catalogue>"};
                for (const FieldEntry& e : catalogue)
                    lines << e.FIELDNAME + '|' + e.FIELDTEXT + '|' + e.TYPE + '|' + QString::number(e.LENGTH);
            }
            MyTableBuffer fields;
            addFields(fields, "KNA1", 1, 40);   // wide enough for two calls
            OptionsBuffer options;
            options.lines = QStringList{"KNA1-LAND1 = 'BR'"};
            ImportJob job{fields, options, QString(), QString(), 20};
            ImportRunner runner;
            QSignalSpy done(&runner, &ImportRunner::finished);
            runner.startPreview(job, [&](const CallGroup& g, const rfc::Table& data) {
                for (const auto& row : data.rows)
                    lines << QString::number(g.firstField) + ':' + QString::fromStdString(row[std::size_t(data.columnIndex("WA"))]);
            });
            if (done.isEmpty()) done.wait(60000);
            return lines;
        };
        const QStringList overSoap = previewLines(logon());
        const QStringList embedded = previewLines(LogonEntry{"DEMO", "001", "DEMO", "demo", "EN"});
        QVERIFY2(overSoap.size() > 350, qPrintable(overSoap.mid(0, 3).join(" / ")));
        QCOMPARE(overSoap, embedded);
        sapConnection().Disconnect();
    }

    void slowOrVanishingServerEndsTheCallClearly()
    {
        test::DemoServerProcess slow;
        QVERIFY2(slow.start({QStringLiteral("--delay"), QStringLiteral("1500")}), qPrintable(slow.error()));
        SystemEntry entry = entry_;
        entry.address = slow.address();
        SoapTransport transport(entry);
        std::unique_ptr<RfcReply>(transport.logon({entry.name, "001", "DEMO", "demo", "EN"}))->waitForFinished();

        transport.setTimeoutMs(400);
        auto reply = callOn(transport, readTable("T000"));
        QCOMPARE(reply->errorText(), tx(TextId::SoapTimeout).arg(transport.systemLabel(), QStringLiteral("1")));

        // The server goes away while it answers: the call ends, with the reason, and nothing hangs.
        transport.setTimeoutMs(60000);
        std::unique_ptr<RfcReply> pending(transport.call(readTable("BSEG", "0", {"BELNR", "BUZEI", "DMBTR", "SGTXT"})));
        QTimer::singleShot(2000, [&slow] { slow.kill(); });
        pending->waitForFinished();
        QVERIFY2(pending->errorText().startsWith(tx(TextId::SoapConnectionLost).arg(transport.systemLabel(), QString()).chopped(3)),
                 qPrintable(pending->errorText()));

        // Nobody listens any more.
        reply = callOn(transport, readTable("T000"));
        QVERIFY2(reply->errorText().startsWith(tx(TextId::SoapRefused).arg(transport.systemLabel(), QString()).chopped(3)),
                 qPrintable(reply->errorText()));
    }
};

QTEST_GUILESS_MAIN(SoapEndToEndTest)
#include "soap_end_to_end.moc"
