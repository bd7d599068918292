// Function objects over the embedded transport: what is sent, what comes back, and that answers
// arrive on the UI thread without blocking it.
#include "demosystem/DemoSystem.h"
#include "sap/EmbeddedTransport.h"
#include "sap/FunctionsComponent.h"
#include "sap/RfcConnection.h"
#include "sap/RfcReply.h"
#include "sap/SapFunctions.h"

#include <QElapsedTimer>
#include <QThread>
#include <QtTest>
#include <chrono>

using namespace qvor;

namespace {

std::unique_ptr<RfcTransport> demoTransport(const QString&, QString*) { return std::make_unique<EmbeddedTransport>(); }

demo::DemoSystem& demoSystem()
{
    std::string error;
    return *EmbeddedTransport::sharedDemoSystem(&error);
}

} // namespace

class RfcFunctionTest : public QObject {
    Q_OBJECT

    std::unique_ptr<SapFunctions> functions_;

    RfcFunction* readTable(const QString& table)
    {
        functions_->RemoveAll();
        RfcFunction* f = functions_->Add(QStringLiteral("RFC_READ_TABLE"));
        f->Exports(QStringLiteral("QUERY_TABLE")).setValue(table);
        return f;
    }

private Q_SLOTS:
    void initTestCase()
    {
        EmbeddedTransport::useInMemoryDemoForTests(1);
        std::string error;
        QVERIFY2(EmbeddedTransport::sharedDemoSystem(&error), error.c_str());
    }

    void init()
    {
        demoSystem().setCallDelay(std::chrono::milliseconds(0));
        functions_ = std::make_unique<SapFunctions>(demoTransport);
        RfcConnection& c = functions_->Connection();
        c.setSystemID(QStringLiteral("DEMO"));
        c.setClient(QStringLiteral("001"));
        c.setUser(QStringLiteral("DEMO"));
        c.setPassword(QStringLiteral("demo"));
        c.setLanguage(QStringLiteral("EN"));
        QVERIFY(c.Logon(0, false));
    }

    void cleanup() { functions_.reset(); }

    void repliesArriveOnTheUiThreadInOrder()
    {
        demoSystem().setCallDelay(std::chrono::milliseconds(40));
        RfcTransport* transport = functions_->Connection().transport();
        rfc::FunctionCall info;
        info.name = "RFC_SYSTEM_INFO";
        std::unique_ptr<RfcReply> first(transport->call(info));
        std::unique_ptr<RfcReply> second(transport->call(info));
        // The caller got control back before the system answered.
        QVERIFY(!first->isFinished());

        QList<int> order;
        QList<QThread*> threads;
        connect(first.get(), &RfcReply::finished, this, [&] { order << 1; threads << QThread::currentThread(); });
        connect(second.get(), &RfcReply::finished, this, [&] { order << 2; threads << QThread::currentThread(); });
        int timerTicks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++timerTicks; });
        ticker.start(5);
        second->waitForFinished();

        QCOMPARE(order, (QList<int>{1, 2}));
        QCOMPARE(threads, (QList<QThread*>{QThread::currentThread(), QThread::currentThread()}));
        QVERIFY2(timerTicks > 0, "the event loop did not run while waiting");
        QCOMPARE(first->result().structures.at("RFCSI_EXPORT").at("RFCSYSID"), std::string("DEM"));
    }

    void readTableRoundTrip()
    {
        RfcFunction* f = readTable(QStringLiteral("T000"));
        f->Exports(QStringLiteral("DELIMITER")).setValue(QStringLiteral("|"));
        RfcTable& options = f->Tables(QStringLiteral("OPTIONS"));
        options.appendrow();
        options.setValue(1, QStringLiteral("TEXT"), QStringLiteral("MANDT = '001'"));
        RfcTable& fields = f->Tables(QStringLiteral("FIELDS"));
        fields.appendrow();
        fields.setValue(1, QStringLiteral("FIELDNAME"), QStringLiteral("MANDT"));
        fields.appendrow();
        fields.setValue(2, QStringLiteral("FIELDNAME"), QStringLiteral("MTEXT"));
        RfcTable& data = f->Tables(QStringLiteral("DATA"));

        QVERIFY2(f->Call(), qPrintable(f->exception()));
        QCOMPARE(f->exception(), QString());
        QCOMPARE(data.RowCount(), 1);
        QVERIFY(data.Value(1, QStringLiteral("WA")).startsWith(QStringLiteral("001|")));
        QCOMPARE(fields.RowCount(), 2);
        QCOMPARE(fields.Value(2, QStringLiteral("FIELDNAME")), QStringLiteral("MTEXT"));
        QCOMPARE(fields.Value(1, QStringLiteral("OFFSET")), QStringLiteral("000000"));
        QCOMPARE(fields.Value(2, QStringLiteral("OFFSET")), QStringLiteral("000004"));

        // Rows and columns that do not exist read as empty, never as a crash.
        QCOMPARE(data.Value(0, QStringLiteral("WA")), QString());
        QCOMPARE(data.Value(2, QStringLiteral("WA")), QString());
        QCOMPARE(data.Value(1, QStringLiteral("NOPE")), QString());

        // Calling the same object again sends the caller's rows, not the rows of the last answer.
        QVERIFY(f->Call());
        QCOMPARE(data.RowCount(), 1);
        QCOMPARE(fields.RowCount(), 2);
    }

    void exceptionsComeBackByName_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("exception");
        QTest::newRow("unknown table") << QStringLiteral("NO_SUCH_TABLE") << QString() << QStringLiteral("TABLE_NOT_AVAILABLE");
        QTest::newRow("unknown field") << QStringLiteral("T000") << QStringLiteral("NOPE") << QStringLiteral("FIELD_NOT_VALID");
    }
    void exceptionsComeBackByName()
    {
        QFETCH(QString, table);
        QFETCH(QString, field);
        QFETCH(QString, exception);
        RfcFunction* f = readTable(table);
        if (!field.isEmpty()) {
            RfcTable& fields = f->Tables(QStringLiteral("FIELDS"));
            fields.appendrow();
            fields.setValue(1, QStringLiteral("FIELDNAME"), field);
        }
        QVERIFY(!f->Call());
        QCOMPARE(f->exception(), exception);
    }

    void startCallSignalsEvenWithoutLogon()
    {
        functions_->Connection().Logoff();
        QCOMPARE(functions_->Connection().IsConnected(), 0);
        RfcFunction* f = readTable(QStringLiteral("T000"));
        RfcReply* reply = f->startCall();
        QSignalSpy finished(reply, &RfcReply::finished);
        QVERIFY(finished.wait(2000));
        QVERIFY(!f->finishCall(reply));
        QCOMPARE(f->exception(), QStringLiteral("RFC_NOT_LOGGED_ON"));
    }

    // RemoveAll while an answer is under way (another caller's call) leaves the call its function
    // object and its reply: the answer still arrives, and a later RemoveAll frees the function.
    void functionOutlivesRemoveAllWhileItsCallRuns()
    {
        demoSystem().setCallDelay(std::chrono::milliseconds(50));
        RfcFunction* f = readTable(QStringLiteral("T000"));
        f->Tables(QStringLiteral("FIELDS")).appendrow();
        f->Tables(QStringLiteral("FIELDS")).setValue(1, QStringLiteral("FIELDNAME"), QStringLiteral("MANDT"));
        RfcReply* reply = f->startCall();
        QSignalSpy finished(reply, &RfcReply::finished);
        functions_->RemoveAll();
        QVERIFY(functions_->callsInFlight());
        QVERIFY(finished.wait(5000));
        QVERIFY(f->finishCall(reply));
        QVERIFY(f->Tables(QStringLiteral("DATA")).RowCount() > 0);
        QVERIFY(!functions_->callsInFlight());
        demoSystem().setCallDelay(std::chrono::milliseconds(0));
        QVERIFY(readTable(QStringLiteral("T000"))->Call());
    }

    // Cancel ends a slow call soon, says so, and leaves the connection serving the next call.
    void cancelEndsTheCallAndKeepsTheConnection()
    {
        demoSystem().setCallDelay(std::chrono::milliseconds(3000));
        RfcFunction* f = readTable(QStringLiteral("T000"));
        QElapsedTimer clock;
        clock.start();
        RfcReply* reply = f->startCall();
        QSignalSpy finished(reply, &RfcReply::finished);
        QTimer::singleShot(20, [f] { f->cancelCall(); });
        QVERIFY(finished.wait(2000));
        QVERIFY(!f->finishCall(reply));
        QVERIFY(f->cancelled());
        QCOMPARE(f->exception(), QStringLiteral("The call was cancelled"));
        demoSystem().setCallDelay(std::chrono::milliseconds(0));
        // The worker is free again: the cancelled call did not sit out its delay.
        QVERIFY(readTable(QStringLiteral("T000"))->Call());
        QVERIFY(clock.elapsed() < 2500);
    }

    void refusedLogonGivesTheReason_data()
    {
        QTest::addColumn<QString>("client");
        QTest::addColumn<QString>("password");
        QTest::newRow("wrong password") << QStringLiteral("001") << QStringLiteral("nope");
        QTest::newRow("wrong client") << QStringLiteral("999") << QStringLiteral("demo");
    }
    void refusedLogonGivesTheReason()
    {
        QFETCH(QString, client);
        QFETCH(QString, password);
        RfcConnection c(RfcConnection::LogonMode::UseValues, demoTransport);
        const QString error = c.tryLogon({QStringLiteral("DEMO"), client, QStringLiteral("DEMO"), password, QStringLiteral("EN")});
        QVERIFY(!error.isEmpty());
        QCOMPARE(c.IsConnected(), 0);
        QCOMPARE(c.System(), QString());
    }
};

QTEST_GUILESS_MAIN(RfcFunctionTest)
#include "rfc_function.moc"
