// qvor-demo-server as strangers meet it: slow senders, header floods, more connections than it
// takes, many clients at once, and a stop signal while all of that goes on. The real executable on
// a free port, spoken to over plain sockets from several loopback addresses.
#include "demosystem/DemoCalls.h"
#include "sap/SoapReader.h"
#include "sap/SoapWriter.h"
#include "support/DemoServerProcess.h"
#include "support/RawHttpClient.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <memory>
#include <thread>
#include <vector>

using qvor::test::DemoServerProcess;
using qvor::test::HttpReply;
using qvor::test::RawHttpClient;

namespace {

const QByteArray DemoAuth = "Basic " + QByteArray("DEMO:demo").toBase64();

QByteArray soapPost(const rfc::FunctionCall& call, const QByteArray& cookie = {}, bool close = true)
{
    const QByteArray body = QByteArray::fromStdString(soap::requestMessage(call));
    QByteArray r = "POST /sap/bc/soap/rfc?sap-client=001&sap-language=EN HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    if (close) r += "Connection: close\r\n";
    if (!cookie.isEmpty()) r += "Cookie: " + cookie + "\r\n";
    return r + "Authorization: " + DemoAuth + "\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: "
           + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

// The DATA rows of an answer; -1 when it is no readable RFC_READ_TABLE answer.
int dataRows(const HttpReply& r)
{
    if (r.status != 200) return -1;
    soap::SoapReader reader;
    reader.setTableNames({"OPTIONS", "FIELDS", "DATA"});
    if (!reader.feed(std::string_view(r.body.constData(), std::size_t(r.body.size()))) || !reader.finish()) return -1;
    const rfc::FunctionResult result = reader.takeResult();
    const auto data = result.tables.find("DATA");
    return data == result.tables.end() ? -1 : int(data->second.rows.size());
}

// A client that started its request's head and sends the rest one byte now and then.
std::unique_ptr<RawHttpClient> slowSender(quint16 port, const char* source)
{
    auto client = std::make_unique<RawHttpClient>();
    if (!client->connect(port, source)) return client;
    client->send("POST /sap/bc/soap/rfc HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ");
    return client;
}

[[maybe_unused]] qint64 peakMemoryKb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// A well-formed request from 127.0.0.1, how long it took, and whether its answer was right.
qint64 timedRequest(quint16 port, bool* right)
{
    QElapsedTimer clock;
    clock.start();
    const HttpReply r = qvor::test::exchange(port, soapPost(demotest::readCall({"T000", {"MANDT"}})));
    *right = dataRows(r) == 3;   // clients 000, 001, 066
    return clock.elapsed();
}

} // namespace

class DemoServerGuardsTest : public QObject {
    Q_OBJECT

    DemoServerProcess server_;

private Q_SLOTS:
    void initTestCase()
    {
        if (!QFileInfo::exists(DemoServerProcess::program())) QSKIP("qvor-demo-server is not built");
        QVERIFY2(server_.start(), qPrintable(server_.error()));
    }

    void slowSendersDelayNobody()
    {
        // Eight, then 64 more from one address: they never finish their heads, and beyond the
        // per-address limit (64) the server does not even keep them.
        const quint16 port = quint16(server_.port());
        std::vector<std::unique_ptr<RawHttpClient>> slow;
        for (const int more : {8, 64}) {
            for (int i = 0; i < more; ++i) slow.push_back(slowSender(port, "127.0.0.2"));
            for (auto& s : slow) s->send("x");   // a byte now and then
            bool right = false;
            const qint64 ms = timedRequest(port, &right);
            QVERIFY(right);
            QVERIFY2(ms < 1000, qPrintable(QStringLiteral("%1 slow senders: %2 ms").arg(slow.size()).arg(ms)));
        }
        int refused = 0;
        for (auto& s : slow) refused += !s->isOpen() || s->closedByServer(50);
        QCOMPARE(refused, 72 - 64);
    }

    void headerFloodsStayWithinMemory()
    {
        // Four clients each send 20,000 header lines of 8 KB; each is cut off once its head outgrows
        // the connection's memory, and the server stays small.
        const quint16 port = quint16(server_.port());
        std::atomic<int> cutOff{0};
        std::vector<std::thread> floods;
        for (int f = 0; f < 4; ++f)
            floods.emplace_back([&, port] {
                RawHttpClient client;
                if (!client.connect(port, "127.0.0.3")) return;
                const QByteArray line = "X-Flood: " + QByteArray(8000 - 11, 'f') + "\r\n";   // 8000 bytes
                bool open = client.send("POST /sap/bc/soap/rfc HTTP/1.1\r\nHost: 127.0.0.1\r\n");
                for (int i = 0; i < 20000 && open; ++i) open = client.send(line);
                if (!open || client.closedByServer(5000)) ++cutOff;
            });
        for (auto& t : floods) t.join();
        QCOMPARE(cutOff.load(), 4);
#ifndef QVOR_SANITIZED
        const qint64 peak = peakMemoryKb(server_.process().processId());
        QVERIFY2(peak > 0 && peak < 64 * 1024, qPrintable(QStringLiteral("peak %1 KiB").arg(peak)));
#endif
        bool right = false;
        timedRequest(port, &right);
        QVERIFY(right);
    }

    void connectionsBeyondTheLimitHear503()
    {
        DemoServerProcess small;
        QVERIFY2(small.start({"--max-connections", "4", "--per-address", "0"}), qPrintable(small.error()));
        const quint16 port = quint16(small.port());
        std::vector<std::unique_ptr<RawHttpClient>> idle;
        for (int i = 0; i < 5; ++i) {
            idle.push_back(std::make_unique<RawHttpClient>());
            QVERIFY(idle.back()->connect(port));
        }
        const HttpReply busy = qvor::test::exchange(port, soapPost(demotest::readCall({"T000", {"MANDT"}})));
        QCOMPARE(busy.status, 503);
        QCOMPARE(busy.header("connection").toLower(), QByteArray("close"));
        idle.clear();
        bool right = false;
        QTRY_VERIFY_WITH_TIMEOUT((timedRequest(port, &right), right), 5000);
    }

    void parallelClientsAreAllAnswered()
    {
        // 50 clients, each with 100 calls on one kept-alive connection and its session cookie.
        const quint16 port = quint16(server_.port());
        std::atomic<int> answered{0};
        std::atomic<int> wrong{0};
        std::vector<std::thread> clients;
        for (int c = 0; c < 50; ++c)
            clients.emplace_back([&, port, c] {
                RawHttpClient client;
                if (!client.connect(port)) return;
                QByteArray cookie;
                for (int i = 0; i < 100; ++i) {
                    const int rows = 1 + (c + i) % 3;
                    if (!client.send(soapPost(demotest::readCall({"T000", {"MANDT", "MTEXT"}, {}, "|", "", std::to_string(rows)}),
                                              cookie, false)))
                        return;
                    const HttpReply r = client.readReply();
                    if (cookie.isEmpty()) cookie = r.header("set-cookie").split(';').value(0);
                    if (dataRows(r) == rows) ++answered;
                    else ++wrong;
                }
            });
        for (auto& t : clients) t.join();
        QCOMPARE(wrong.load(), 0);
        QCOMPARE(answered.load(), 50 * 100);
    }

    void stopsPromptlyWhateverClientsDo_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void stopsPromptlyWhateverClientsDo()
    {
        QFETCH(int, signal);
        // A slow server, so an answer is on its way when the signal comes.
        DemoServerProcess server;
        QVERIFY2(server.start({"--delay", "300"}), qPrintable(server.error()));
        const quint16 port = quint16(server.port());
        std::vector<std::unique_ptr<RawHttpClient>> slow;
        for (int i = 0; i < 8; ++i) slow.push_back(slowSender(port, "127.0.0.2"));
        RawHttpClient idle;
        QVERIFY(idle.connect(port));
        RawHttpClient waiting;   // its answer has not started yet
        QVERIFY(waiting.connect(port));
        RawHttpClient reading;   // its answer is half sent
        QVERIFY(reading.connect(port));
        QVERIFY(reading.send(soapPost(demotest::readCall({"BSEG", {"BUKRS", "BELNR", "GJAHR", "BUZEI", "SGTXT"}}))));
        QCOMPARE(reading.readReply(800).status, -1);   // the head and first pieces are in, the end is not
        QVERIFY(reading.received().startsWith("HTTP/1.1 200"));
        QVERIFY(waiting.send(soapPost(demotest::readCall({"T000", {"MANDT"}}))));

        QElapsedTimer clock;
        clock.start();
        ::kill(pid_t(server.process().processId()), signal);
        QVERIFY(server.process().waitForFinished(10000));
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QStringLiteral("%1 ms").arg(clock.elapsed())));
        QCOMPARE(server.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(server.process().exitCode(), 0);
        QVERIFY(reading.closedByServer(1000));
        QVERIFY(waiting.closedByServer(1000));
    }
};

QTEST_GUILESS_MAIN(DemoServerGuardsTest)
#include "demo_server_guards.moc"
