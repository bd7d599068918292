// The SOAP transport against servers that misbehave on purpose: each one must end the call in
// bounded time with its own message naming the system. And against a well-behaved one, the calls
// of a logon share one kept-alive connection.
#include "sap/RfcReply.h"
#include "sap/SoapTransport.h"
#include "sap/SoapWriter.h"
#include "support/LoopbackHttpServer.h"
#include "util/UiTexts.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>

using namespace qvor;

namespace {

enum class Behaviour { Answer, Drip, InterimSlowly, InterimFast, StallMidAnswer, Silent, Endless, HugeFields, WantsUrn };

QByteArray systemInfoAnswer()
{
    rfc::FunctionResult r;
    r.structures["RFCSI_EXPORT"] = {{"RFCSYSID", "HOS"}};
    return QByteArray::fromStdString(soap::AnswerStream::whole("RFC_SYSTEM_INFO", r));
}

QByteArray chunk(const QByteArray& piece) { return QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n"; }

// Reads each request whole, then behaves as told; counts the connections it accepted.
class HostileServer : public test::LoopbackHttpServer {
public:
    Behaviour behaviour = Behaviour::Answer;
    int requests = 0;
    QList<QByteArray> actions;   // the SOAPAction of each request

private:
    void answer(QTcpSocket* s, const QByteArray& head) override
    {
        actions << header(head, "soapaction");
        ++requests;
        behave(s);
    }

    // Sends make(n) every intervalMs, for as long as the client stays.
    void every(QTcpSocket* s, int intervalMs, std::function<QByteArray(int)> make)
    {
        auto* timer = new QTimer(s);
        QObject::connect(timer, &QTimer::timeout, s, [s, make, n = 0]() mutable { s->write(make(n++)); });
        timer->start(intervalMs);
    }

    void behave(QTcpSocket* s)
    {
        const QByteArray answer = systemInfoAnswer();
        const QByteArray okHead = "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " + QByteArray::number(answer.size()) + "\r\n\r\n";
        const QByteArray chunkedHead = "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nTransfer-Encoding: chunked\r\n\r\n";
        const QByteArray readTableStart = "<?xml version=\"1.0\"?><SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">"
                                          "<SOAP-ENV:Body><rfc:RFC_READ_TABLE.Response xmlns:rfc=\"urn:sap-com:document:sap:rfc:functions\">";
        switch (behaviour) {
        case Behaviour::WantsUrn:
            if (actions.value(actions.size() - 1) == "\"\"") {
                const QByteArray fault = QByteArray::fromStdString(soap::faultMessage("", "", "Invalid SOAPAction \"\""));
                s->write("HTTP/1.1 500 Internal Server Error\r\nContent-Type: text/xml\r\nContent-Length: " +
                         QByteArray::number(fault.size()) + "\r\n\r\n" + fault);
                return;
            }
            [[fallthrough]];
        case Behaviour::Answer:
            s->write(okHead + answer);   // and the connection stays open for the next call
            return;
        case Behaviour::Drip: {
            const QByteArray all = okHead + answer;
            every(s, 100, [all](int n) { return all.mid(n, 1); });
            return;
        }
        case Behaviour::InterimSlowly:
            every(s, 100, [](int) { return QByteArray("HTTP/1.1 100 Continue\r\n\r\n"); });
            return;
        case Behaviour::InterimFast:
            every(s, 1, [](int) { return QByteArray("HTTP/1.1 100 Continue\r\n\r\n").repeated(100); });
            return;
        case Behaviour::StallMidAnswer:
            s->write(okHead + answer.left(answer.size() / 2));
            return;
        case Behaviour::Silent:
            return;
        case Behaviour::Endless: {
            // Fast and well-formed, but it never ends.
            s->write(chunkedHead + chunk(readTableStart + "<DATA>"));
            every(s, 5, [](int) { return chunk(QByteArray("<item><WA>0123456789</WA></item>").repeated(1000)); });
            return;
        }
        case Behaviour::HugeFields: {
            s->write(chunkedHead + chunk(readTableStart + "<FIELDS>"));
            every(s, 1, [](int) { return chunk(QByteArray("<item><FIELDNAME>F</FIELDNAME></item>").repeated(2000)); });
            return;
        }
        }
    }
};

rfc::FunctionCall systemInfo()
{
    rfc::FunctionCall call;
    call.name = "RFC_SYSTEM_INFO";
    return call;
}

rfc::FunctionCall readTable()
{
    rfc::FunctionCall call;
    call.name = "RFC_READ_TABLE";
    call.parameters = {{"QUERY_TABLE", "T000"}};
    for (const char* table : {"OPTIONS", "FIELDS", "DATA"}) call.tables[table];
    return call;
}

} // namespace

Q_DECLARE_METATYPE(Behaviour)

class SoapHostileServersTest : public QObject {
    Q_OBJECT

    HostileServer server_;

    std::unique_ptr<SoapTransport> loggedOn()
    {
        auto t = std::make_unique<SoapTransport>(SystemEntry{QStringLiteral("HOS"), {}, server_.address(), {}, {}, {}, true});
        std::unique_ptr<RfcReply>(t->logon({QStringLiteral("HOS"), "001", "U", "P", "EN"}))->waitForFinished();
        return t;
    }

private Q_SLOTS:
    void everyMisbehaviourEndsInTime_data()
    {
        QTest::addColumn<Behaviour>("behaviour");
        QTest::addColumn<bool>("readTable");
        QTest::addColumn<QString>("errorText");
        const QString hos = QStringLiteral("HOS (127.0.0.1)");
        QTest::newRow("drips a byte at a time") << Behaviour::Drip << false << tx(TextId::SoapTooSlow).arg(hos, "1");
        QTest::newRow("100 Continue forever, slowly") << Behaviour::InterimSlowly << false << tx(TextId::SoapTooSlow).arg(hos, "1");
        QTest::newRow("100 Continue forever, fast")
            << Behaviour::InterimFast << false << tx(TextId::SoapMalformed).arg(hos, "the answer's head is too long");
        QTest::newRow("stalls mid-answer") << Behaviour::StallMidAnswer << false << tx(TextId::SoapStalled).arg(hos, "1");
        QTest::newRow("never answers") << Behaviour::Silent << false << tx(TextId::SoapTimeout).arg(hos, "1");
        QTest::newRow("answers fast, never ends") << Behaviour::Endless << true << tx(TextId::SoapCallLimit).arg(hos, "2");
        QTest::newRow("huge table besides DATA")
            << Behaviour::HugeFields << true << tx(TextId::SoapMalformed).arg(hos, "the table FIELDS has more than 100000 rows");
    }
    void everyMisbehaviourEndsInTime()
    {
        QFETCH(Behaviour, behaviour);
        QFETCH(bool, readTable);
        QFETCH(QString, errorText);
        server_.behaviour = behaviour;
        auto t = loggedOn();
        t->setTimeoutMs(1000);
        t->setCallLimitMs(behaviour == Behaviour::Endless ? 1500 : 4000);
        QElapsedTimer clock;
        clock.start();
        std::unique_ptr<RfcReply> reply(t->call(readTable ? ::readTable() : systemInfo()));
        reply->waitForFinished();
        QCOMPARE(reply->errorText(), errorText);
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QStringLiteral("%1 ms").arg(clock.elapsed())));
    }

    void callsOfALogonShareOneConnection()
    {
        server_.behaviour = Behaviour::Answer;
        server_.connections = 0;
        server_.requests = 0;
        auto t = loggedOn();
        for (int i = 0; i < 4; ++i) {   // the logon's check and three calls
            std::unique_ptr<RfcReply> reply(t->call(systemInfo()));
            reply->waitForFinished();
            QCOMPARE(reply->errorText(), QString());
            QCOMPARE(reply->result().structures.at("RFCSI_EXPORT").at("RFCSYSID"), std::string("HOS"));
        }
        QCOMPARE(server_.requests, 4);
        QCOMPARE(server_.connections, 1);
        // A new logon starts afresh.
        t = loggedOn();
        std::unique_ptr<RfcReply>(t->call(systemInfo()))->waitForFinished();
        QCOMPARE(server_.connections, 2);
    }

    void aRefusedSoapActionIsAskedOnceMoreWithTheUrn()
    {
        server_.behaviour = Behaviour::WantsUrn;
        server_.actions.clear();
        auto t = loggedOn();
        for (int i = 0; i < 2; ++i) {
            std::unique_ptr<RfcReply> reply(t->call(systemInfo()));
            reply->waitForFinished();
            QCOMPARE(reply->errorText(), QString());
            QCOMPARE(reply->result().structures.at("RFCSI_EXPORT").at("RFCSYSID"), std::string("HOS"));
        }
        // The logon remembers what its system takes.
        const QByteArray urn = "\"urn:sap-com:document:sap:rfc:functions\"";
        QCOMPARE(server_.actions, (QList<QByteArray>{"\"\"", urn, urn}));
    }
};

QTEST_GUILESS_MAIN(SoapHostileServersTest)
#include "soap_hostile_servers.moc"
