// qvor-extract stopped while it runs: SIGINT and SIGTERM cancel cleanly (130 / 143, nothing on
// standard output), SIGKILL ends it on the spot, during the calls or while the new file is being
// written. Whatever stops it, the output file it would have replaced is the very same file after.
#include "sap/ComponentFactory.h"
#include "sap/SapConnection.h"
#include "support/DemoServerProcess.h"
#include "support/ScriptedUiServices.h"
#include "support/ToolPaths.h"
#include "tableaccess/FieldCatalogue.h"
#include "tableaccess/QTableFile.h"
#include "util/AppSettings.h"
#include "support/FileBytes.h"
#include "support/CatalogueFields.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>

using namespace qvor;
using qvor::test::fileBytes;

namespace {

const QByteArray OldOutput = "KNA1-KUNNR;KNA1-NAME1\r\nCustomer;Name\r\n0000000001;the last good extract\r\n";

ino_t inodeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

} // namespace

class ExtractInterruptedTest : public QObject {
    Q_OBJECT

    test::ScriptedUiServices ui_;
    test::DemoServerProcess fast_;
    test::DemoServerProcess slow_;
    QTemporaryDir dir_;
    QString query_;

private Q_SLOTS:
    void initTestCase()
    {
        appSettings() = {};
        QVERIFY2(QFileInfo::exists(test::extractToolPath()), "qvor-extract is not built");
        QVERIFY2(fast_.start(), qPrintable(fast_.error()));
        QVERIFY2(slow_.start({QStringLiteral("--delay"), QStringLiteral("700")}), qPrintable(slow_.error()));
        SystemEntry entry;
        entry.name = QStringLiteral("FAST");
        entry.address = fast_.address();
        sapConnection().componentFactory().addSystem(entry);
        ui_.logonAnswers.push_back(LogonEntry{entry.name, "001", "DEMO", "demo", "EN"});
        sapConnection().Connect();
        QVERIFY(sapConnection().connected());
        // All BSEG rows in several calls: the new file takes a while to write.
        MyTableBuffer fields;
        fields.fields = test::catalogueFields(QStringLiteral("BSEG"), 0);
        QVERIFY(!fields.fields.empty());
        QTableDocument doc = QTableFile::PrepareQTable(fields, {});
        doc.sRows = 0;
        query_ = dir_.filePath(QStringLiteral("query.txt"));
        QVERIFY(QTableFile::WriteQTableFile(query_, doc));
        sapConnection().Disconnect();
    }

    void stoppedRunLeavesTheOldOutput_data()
    {
        QTest::addColumn<bool>("whileWriting");
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("exitCode");   // -1: killed
        QTest::newRow("SIGINT during the calls") << false << SIGINT << 130;
        QTest::newRow("SIGTERM during the calls") << false << SIGTERM << 143;
        QTest::newRow("SIGKILL during the calls") << false << SIGKILL << -1;
        QTest::newRow("SIGINT while writing") << true << SIGINT << 130;
        QTest::newRow("SIGKILL while writing") << true << SIGKILL << -1;
    }
    void stoppedRunLeavesTheOldOutput()
    {
        QFETCH(bool, whileWriting);
        QFETCH(int, signal);
        QFETCH(int, exitCode);
        const QString output = dir_.filePath(QStringLiteral("out.csv"));
        {
            QFile f(output);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(OldOutput);
        }
        const ino_t inode = inodeOf(output);

        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QVOR_PASSWORD"), QStringLiteral("demo"));
        p.setProcessEnvironment(env);
        const QString server = whileWriting ? fast_.address() : slow_.address();
        p.start(test::extractToolPath(), {query_, output, "--url", server, "--user", "DEMO", "--separator", ";"});
        p.closeWriteChannel();
        QVERIFY(p.waitForStarted());
        // The moment comes from the tool's own progress lines.
        const QByteArray moment = whileWriting ? QByteArray("Creating ") : QByteArray("Processing RFC for ");
        QByteArray err;
        QElapsedTimer clock;
        clock.start();
        while (!err.contains(moment) && p.state() == QProcess::Running && clock.elapsed() < 60000) {
            p.waitForReadyRead(5);
            err += p.readAllStandardError();
        }
        QVERIFY2(err.contains(moment), err.constData());
        QVERIFY2(::kill(static_cast<pid_t>(p.processId()), signal) == 0, "the tool ended before the signal");
        QVERIFY(p.waitForFinished(10000));
        err += p.readAllStandardError();

        if (exitCode < 0) {
            QCOMPARE(p.exitStatus(), QProcess::CrashExit);
        } else {
            QCOMPARE(p.exitStatus(), QProcess::NormalExit);
            QCOMPARE(p.exitCode(), exitCode);
            QCOMPARE(p.readAllStandardOutput(), QByteArray());
            QVERIFY2(err.contains("Cancelled"), err.constData());
            // Not even replaced by a copy of itself.
            QCOMPARE(inodeOf(output), inode);
        }
        QCOMPARE(fileBytes(output), OldOutput);
    }
};

QTEST_GUILESS_MAIN(ExtractInterruptedTest)
#include "extract_interrupted.moc"
