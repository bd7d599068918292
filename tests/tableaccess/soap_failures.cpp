// A SYSTEM_FAILURE over SOAP ends the logon from inside the handler of the very answer that
// brought it. The program (ImportRunner, as Preview and Import run it) and qvor-extract must come
// through that with the exception's text, the other groups' rows and a connection that logs on again.
#include "sap/ComponentFactory.h"
#include "sap/EmbeddedTransport.h"
#include "sap/SapConnection.h"
#include "support/DemoServerProcess.h"
#include "support/ScriptedUiServices.h"
#include "support/ToolPaths.h"
#include "tableaccess/FieldCatalogue.h"
#include "tableaccess/ImportRunner.h"
#include "tableaccess/QTableFile.h"
#include "util/AppSettings.h"
#include "support/FileBytes.h"
#include "support/CatalogueFields.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <array>

using namespace qvor;
using qvor::test::fileBytes;

namespace {

void addFields(MyTableBuffer& buffer, const QString& table, int count)
{
    const std::vector<MyTableField> found = test::catalogueFields(table, 0, count);
    QCOMPARE(int(found.size()), count);
    buffer.fields.insert(buffer.fields.end(), found.begin(), found.end());
}

} // namespace

class SoapFailuresTest : public QObject {
    Q_OBJECT

    test::ScriptedUiServices ui_;
    test::DemoServerProcess server_;
    QTemporaryDir dir_;
    SystemEntry entry_;

    void connect()
    {
        if (sapConnection().connected()) return;
        ui_.logonAnswers.push_back(LogonEntry{entry_.name, "001", "DEMO", "demo", "EN"});
        sapConnection().Connect();
        QVERIFY(sapConnection().connected());
    }

    // KNA1 then the failing KNB1, or the other way round.
    MyTableBuffer fields(bool failingFirst)
    {
        MyTableBuffer b;
        for (const char* table : failingFirst ? std::array{"KNB1", "KNA1"} : std::array{"KNA1", "KNB1"})
            addFields(b, table, 3);
        return b;
    }

private Q_SLOTS:
    void initTestCase()
    {
        appSettings() = {};
        EmbeddedTransport::useInMemoryDemoForTests();
        QVERIFY2(QFileInfo::exists(test::DemoServerProcess::program()), "qvor-demo-server is not built");
        QVERIFY2(server_.start({QStringLiteral("--fail-table"), QStringLiteral("KNB1")}), qPrintable(server_.error()));
        entry_.name = QStringLiteral("LOOP");
        entry_.address = server_.address();
        sapConnection().componentFactory().addSystem(entry_);
    }

    void cleanupTestCase() { sapConnection().Disconnect(); }

    void runnerSurvivesTheLogoffItCauses_data()
    {
        QTest::addColumn<bool>("preview");
        QTest::addColumn<bool>("failingFirst");
        QTest::newRow("import, last group fails") << false << false;
        QTest::newRow("import, first group fails") << false << true;
        QTest::newRow("preview, last group fails") << true << false;
        QTest::newRow("preview, first group fails") << true << true;
    }
    void runnerSurvivesTheLogoffItCauses()
    {
        QFETCH(bool, preview);
        QFETCH(bool, failingFirst);
        connect();
        const MyTableBuffer myTable = fields(failingFirst);
        ui_.clear();
        ImportJob job{myTable, {}, dir_.filePath(QStringLiteral("out.csv")), ";", 5};
        ImportRunner runner;
        QSignalSpy done(&runner, &ImportRunner::finished);
        qint64 previewRows = 0;
        if (preview) runner.startPreview(job, [&](const CallGroup&, const rfc::Table& data) { previewRows += qint64(data.rows.size()); });
        else runner.startImport(job);
        if (done.isEmpty()) QVERIFY(done.wait(60000));
        QCOMPARE(runner.outcome(), ImportRunner::Outcome::GroupsFailed);
        QVERIFY(!sapConnection().connected());
        QStringList expected{QStringLiteral("SYSTEM_FAILURE")};
        // After the logoff the group still to come cannot be called.
        if (failingFirst) expected << QStringLiteral("Error 91: Object variable or With block variable not set on GetData ");
        QCOMPARE(ui_.messageTexts(), expected);
        if (preview) {
            QCOMPARE(previewRows, failingFirst ? 0 : 5);
        } else {
            const QList<QByteArray> lines = fileBytes(job.outputPath).split('\n');
            QCOMPARE(lines.size(), (failingFirst ? 2 : 7) + 1);
        }
        // The connection logs on again and serves the next call.
        connect();
        std::vector<FieldEntry> entries;
        QVERIFY(GetFields(QStringLiteral("T000"), &entries));
    }

    void extractToolReportsTheFailure()
    {
        QVERIFY2(QFileInfo::exists(test::extractToolPath()), "qvor-extract is not built");
        connect();
        QTableDocument doc = QTableFile::PrepareQTable(fields(false), {});
        doc.sRows = 5;
        const QString query = dir_.filePath(QStringLiteral("query.txt"));
        QVERIFY(QTableFile::WriteQTableFile(query, doc));
        const test::ToolRun run = test::runExtract(
            {query, dir_.filePath(QStringLiteral("tool.csv")), "--url", server_.address(), "--user", "DEMO"}, {{"QVOR_PASSWORD", "demo"}});
        QCOMPARE(run.exit, 4);
        QVERIFY2(run.err.contains("SYSTEM_FAILURE\n"), run.err.constData());
    }
};

QTEST_GUILESS_MAIN(SoapFailuresTest)
#include "soap_failures.moc"
