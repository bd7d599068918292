// The SOAP transport against a canned HTTP server: how each kind of answer (data, fault, HTTP
// status, malformed or oversized message) reaches the caller, what the request carries, and the
// service address and line padding on their own.
#include "sap/DataLinePadding.h"
#include "sap/RfcReply.h"
#include "sap/SoapTransport.h"
#include "sap/SoapWriter.h"
#include "support/LoopbackHttpServer.h"
#include "util/UiTexts.h"

#include <QTcpSocket>
#include <QUrlQuery>
#include <QtTest>

using namespace qvor;

namespace {

// Answers every request with the next canned response and remembers the requests' heads.
class CannedServer : public test::LoopbackHttpServer {
public:
    QList<QByteArray> responses;
    QList<QByteArray> requestHeads;

private:
    void answer(QTcpSocket* s, const QByteArray& head) override
    {
        requestHeads << head;
        s->write(responses.isEmpty() ? QByteArray("HTTP/1.1 500 Nothing canned\r\nContent-Length: 0\r\n\r\n")
                                     : responses.takeFirst());
        s->disconnectFromHost();
    }
};

QByteArray http(int status, const QByteArray& reason, const QByteArray& body)
{
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\nContent-Type: text/xml; charset=utf-8\r\n"
           "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

QByteArray answerOf(const rfc::FunctionResult& result, const std::string& function = "RFC_READ_TABLE")
{
    return QByteArray::fromStdString(soap::AnswerStream::whole(function, result));
}

rfc::FunctionResult twoLines()
{
    rfc::FunctionResult r;
    rfc::Table& fields = r.tables["FIELDS"];
    fields.columns = {"FIELDNAME", "OFFSET", "LENGTH"};
    fields.rows = {{"MANDT", "000000", "000003"}, {"MTEXT", "000004", "000025"}};
    rfc::Table& data = r.tables["DATA"];
    data.columns = {"WA"};
    data.rows = {{"000|SAP AG"}, {"100|São Paulo Ltda."}};
    return r;
}

rfc::FunctionCall readT000()
{
    rfc::FunctionCall call;
    call.name = "RFC_READ_TABLE";
    call.parameters = {{"QUERY_TABLE", "T000"}};
    call.tables["FIELDS"].columns = {"FIELDNAME"};
    call.tables["DATA"].columns = {"WA"};
    return call;
}

} // namespace

class SoapTransportTest : public QObject {
    Q_OBJECT

    CannedServer server_;

    std::unique_ptr<SoapTransport> loggedOn(bool verifyTls = true)
    {
        SystemEntry entry{QStringLiteral("QAS"), {}, server_.address(), {}, {}, {}, verifyTls};
        auto t = std::make_unique<SoapTransport>(entry);
        std::unique_ptr<RfcReply> r(t->logon({QStringLiteral("QAS"), "100", "JSMITH", "s3cret:pw", "PT"}));
        r->waitForFinished();
        return t;
    }

    std::unique_ptr<RfcReply> call(SoapTransport& t, const rfc::FunctionCall& c = readT000())
    {
        std::unique_ptr<RfcReply> reply(t.call(c));
        reply->waitForFinished();
        return reply;
    }

private Q_SLOTS:
    void serviceAddress_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("expected");
        QTest::newRow("server only") << "https://sap.example.com:44300" << "https://sap.example.com:44300/sap/bc/soap/rfc?sap-client=100&sap-language=PT";
        QTest::newRow("slash") << "http://h/" << "http://h/sap/bc/soap/rfc?sap-client=100&sap-language=PT";
        QTest::newRow("own path and query kept") << " http://h:8000/custom/rfc?x=1&sap-client=999 "
                                                 << "http://h:8000/custom/rfc?x=1&sap-client=100&sap-language=PT";
        QTest::newRow("no scheme") << "sap.example.com" << "";
        QTest::newRow("other scheme") << "ftp://sap.example.com" << "";
        QTest::newRow("no host") << "https://" << "";
        QTest::newRow("empty") << "" << "";
    }
    void serviceAddress()
    {
        QFETCH(QString, address);
        QFETCH(QString, expected);
        QString error;
        const QUrl url = SoapTransport::serviceUrl(address, "100", "PT", &error);
        QCOMPARE(url.isValid() ? url.toString() : QString(), expected);
        QCOMPARE(error.isEmpty(), !expected.isEmpty());
    }

    void linesArePaddedToTheLayoutInCharacters()
    {
        rfc::FunctionResult r = twoLines();
        padReadTableAnswer(r);
        QCOMPARE(r.tables["DATA"].rows[0][0], std::string("000|SAP AG") + std::string(19, ' '));
        // "São" is one character more than its bytes suggest.
        QCOMPARE(r.tables["DATA"].rows[1][0], std::string("100|São Paulo Ltda.") + std::string(10, ' '));

        // Without lengths the width is unknown and nothing is touched.
        rfc::FunctionResult noLengths = twoLines();
        noLengths.tables["FIELDS"].columns = {"FIELDNAME", "OFFSET", "LEN"};
        padReadTableAnswer(noLengths);
        QCOMPARE(noLengths.tables["DATA"].rows[0][0], std::string("000|SAP AG"));
    }

    void requestCarriesLogonAndEveryTable()
    {
        auto t = loggedOn();
        server_.requestHeads.clear();
        server_.responses = {http(200, "OK", answerOf(twoLines()))};
        auto reply = call(*t);
        QCOMPARE(reply->errorText(), QString());
        QCOMPARE(reply->result().tables.at("DATA").rows[1][0], std::string("100|São Paulo Ltda.") + std::string(10, ' '));

        const QByteArray head = server_.requestHeads.value(0);
        QVERIFY2(head.startsWith("POST /sap/bc/soap/rfc?sap-client=100&sap-language=PT HTTP/1.1"), head.constData());
        QVERIFY(head.contains("Authorization: Basic " + QByteArray("JSMITH:s3cret:pw").toBase64()));
        QVERIFY(head.toLower().contains("content-type: text/xml; charset=utf-8"));
        QVERIFY(head.contains("SOAPAction: \"\""));
        QCOMPARE(t->connectionNote(), server_.address() + QStringLiteral("/sap/bc/soap/rfc"));
    }

    void everyOutcomeReachesTheCaller_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<QString>("errorText");
        QTest::addColumn<QString>("exception");
        QTest::addColumn<QString>("message");
        const QString qas = QStringLiteral("QAS (127.0.0.1)");
        QTest::newRow("fault") << http(500, "Internal Server Error", QByteArray::fromStdString(
                                           soap::faultMessage("RFC_READ_TABLE", "TABLE_NOT_AVAILABLE", "")))
                               << "" << "TABLE_NOT_AVAILABLE" << "";
        QTest::newRow("fault with a sentence") << http(500, "Internal Server Error", QByteArray::fromStdString(
                "<?xml version=\"1.0\"?><e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body><e:Fault>"
                "<faultcode>e:Server</faultcode><faultstring>Runtime error DBIF_RSQL_INVALID_RSQL occurred</faultstring>"
                "</e:Fault></e:Body></e:Envelope>"))
                                               << "" << "SYSTEM_FAILURE" << "Runtime error DBIF_RSQL_INVALID_RSQL occurred";
        QTest::newRow("401") << http(401, "Unauthorized", "<html><h1>Logon failed</h1></html>")
                             << tx(TextId::SoapLogonFailed).arg(qas) << "" << "";
        QTest::newRow("404") << http(404, "Not Found", "<html>no such node</html>")
                             << tx(TextId::SoapServiceInactive).arg(qas) << "" << "";
        QTest::newRow("500 without a fault") << http(500, "Internal Server Error", "<html>ICM error</html>")
                                             << tx(TextId::SoapHttpStatus).arg(qas, "500", "Internal Server Error") << "" << "";
        QTest::newRow("redirect is not followed") << QByteArray("HTTP/1.1 302 Found\r\nLocation: /login\r\nContent-Length: 0\r\n\r\n")
                                                  << tx(TextId::SoapHttpStatus).arg(qas, "302", "Found") << "" << "";
        QTest::newRow("not XML") << http(200, "OK", "<html><body>portal</body></html>")
                                 << tx(TextId::SoapMalformed).arg(qas, "the message is not a SOAP envelope") << "" << "";
        QTest::newRow("cut off") << http(200, "OK", answerOf(twoLines()).chopped(36))   // ends after the function element
                                 << tx(TextId::SoapMalformed).arg(qas, "the message ended before it was complete") << "" << "";
        QTest::newRow("another function") << http(200, "OK", answerOf(twoLines(), "RFC_PING"))
                                          << tx(TextId::SoapMalformed).arg(qas, "the answer belongs to RFC_PING, not to RFC_READ_TABLE")
                                          << "" << "";
        QTest::newRow("document type") << http(200, "OK", "<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY a \"b\">]><x>&a;</x>")
                                       << tx(TextId::SoapMalformed).arg(qas, "the message has a document type declaration") << "" << "";
    }
    void everyOutcomeReachesTheCaller()
    {
        QFETCH(QByteArray, response);
        QFETCH(QString, errorText);
        QFETCH(QString, exception);
        QFETCH(QString, message);
        auto t = loggedOn();
        server_.responses = {response};
        auto reply = call(*t);
        QCOMPARE(reply->errorText(), errorText);
        QCOMPARE(QString::fromStdString(reply->result().exception), exception);
        QCOMPARE(QString::fromStdString(reply->result().message), message);
    }

    void answerFramingsAndTheSessionCookie()
    {
        // Chunks of odd sizes with an extension, a trailer, and the session cookie of the system.
        const QByteArray body = answerOf(twoLines());
        QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nSet-Cookie: SAP_SESSIONID_QAS_100=abc; path=/; HttpOnly\r\n"
                             "Set-Cookie: sap-usercontext=sap-client=100; path=/\r\n\r\n";
        for (qsizetype at = 0, n = 1; at < body.size(); at += n, n = n * 3 + 1) {
            const QByteArray piece = body.mid(at, n);
            chunked += QByteArray::number(piece.size(), 16) + ";x=1\r\n" + piece + "\r\n";
        }
        chunked += "0\r\nX-Trailer: 1\r\n\r\n";
        // Without a length the body ends with the connection.
        const QByteArray closeDelimited = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + body;

        auto t = loggedOn();
        server_.requestHeads.clear();
        server_.responses = {chunked, closeDelimited,
                             "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 3\r\n\r\nabc"};
        for (int i = 0; i < 2; ++i) {
            auto reply = call(*t);
            QCOMPARE(reply->errorText(), QString());
            QCOMPARE(reply->result().tables.at("DATA").rows.size(), std::size_t(2));
        }
        auto reply = call(*t);
        QCOMPARE(reply->errorText(), tx(TextId::SoapMalformed).arg("QAS (127.0.0.1)", "the answer is compressed (gzip)"));

        QVERIFY(!server_.requestHeads.value(0).contains("Cookie:"));
        QVERIFY2(server_.requestHeads.value(1).contains("Cookie: SAP_SESSIONID_QAS_100=abc; sap-usercontext=sap-client=100"),
                 server_.requestHeads.value(1).constData());
        // A new logon starts without the old session.
        t = loggedOn();
        server_.responses = {http(200, "OK", answerOf(twoLines()))};
        call(*t);
        QVERIFY(!server_.requestHeads.value(3).contains("Cookie:"));
    }

    void oversizedAnswerIsRefused()
    {
        auto t = loggedOn();
        t->setMaxAnswerBytes(1000);
        rfc::FunctionResult big = twoLines();
        for (int i = 0; i < 100; ++i) big.tables["DATA"].rows.push_back({"001|" + std::string(20, 'x')});
        server_.responses = {http(200, "OK", answerOf(big))};
        auto reply = call(*t);
        QCOMPARE(reply->errorText(), tx(TextId::SoapMalformed).arg("QAS (127.0.0.1)", "the message is larger than 1000 bytes"));
    }

    void callsAfterLogoffAreRefused()
    {
        auto t = loggedOn();
        t->logoff();
        QVERIFY(!t->loggedOn());
        auto reply = call(*t);
        QCOMPARE(reply->result().exception, std::string("RFC_NOT_LOGGED_ON"));

        // An address that cannot be used fails the logon itself.
        SoapTransport bad(SystemEntry{QStringLiteral("BAD"), {}, QStringLiteral("sap.example.com"), {}, {}, {}, true});
        std::unique_ptr<RfcReply> r(bad.logon({QStringLiteral("BAD"), "100", "U", "P", "EN"}));
        r->waitForFinished();
        QCOMPARE(r->errorText(), tx(TextId::SoapAddressInvalid).arg("BAD", tx(TextId::SystemEntryAddressInvalid)));
        QVERIFY(!bad.loggedOn());
    }
};

QTEST_GUILESS_MAIN(SoapTransportTest)
#include "soap_transport.moc"
