// qvor-demo-server as a SOAP client meets it: the real executable on a free port, spoken to in raw
// HTTP, its answers read with the same SOAP reader the transport uses and compared with what the
// demo system answers in process.
#include "demosystem/DemoCalls.h"
#include "sap/SoapReader.h"
#include "sap/SoapWriter.h"
#include "support/DemoServerProcess.h"
#include "support/RawHttpClient.h"

#include <QFileInfo>
#include <QProcess>
#include <QTcpSocket>
#include <QtTest>

Q_DECLARE_METATYPE(demotest::Read)

using qvor::test::HttpReply;
using qvor::test::RawHttpClient;
using qvor::test::exchange;

namespace {

const QByteArray ServicePath = "/sap/bc/soap/rfc";
const QByteArray DemoAuth = "Basic " + QByteArray("DEMO:demo").toBase64();

QByteArray httpRequest(const QByteArray& method, const QByteArray& target, const QByteArray& body,
                       const QByteArray& authorization = DemoAuth, const QByteArray& cookie = {})
{
    QByteArray r = method + ' ' + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
    if (!authorization.isEmpty()) r += "Authorization: " + authorization + "\r\n";
    if (!cookie.isEmpty()) r += "Cookie: " + cookie + "\r\n";
    if (method != "GET") r += "Content-Type: text/xml; charset=utf-8\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n";
    return r + "\r\n" + body;
}

QByteArray soapPost(const rfc::FunctionCall& call, const QByteArray& authorization = DemoAuth, const QByteArray& cookie = {})
{
    return httpRequest("POST", ServicePath + "?sap-client=001&sap-language=EN",
                       QByteArray::fromStdString(soap::requestMessage(call)), authorization, cookie);
}

// Parses a whole SOAP message the way the transport does.
std::unique_ptr<soap::SoapReader> readSoap(const QByteArray& body)
{
    auto reader = std::make_unique<soap::SoapReader>();
    reader->setTableNames({"OPTIONS", "FIELDS", "DATA"});
    const bool ok = reader->feed(std::string_view(body.constData(), std::size_t(body.size()))) && reader->finish();
    if (!ok) qWarning("SOAP message not readable: %s", reader->error().c_str());
    return reader;
}

// A table as text, values without trailing blanks (they do not survive SAP's XML either).
QStringList tableText(const rfc::Table& table)
{
    QStringList out;
    if (table.rows.empty()) return out;
    out << QString::fromStdString([&] {
        std::string h;
        for (const auto& c : table.columns) h += c + "|";
        return h;
    }());
    for (const auto& row : table.rows) {
        QString line;
        for (const auto& v : row) {
            QString value = QString::fromStdString(v);
            while (value.endsWith(' ')) value.chop(1);
            line += value + '|';
        }
        out << line;
    }
    return out;
}

} // namespace

class DemoServerTest : public QObject {
    Q_OBJECT

    qvor::test::DemoServerProcess server_;
    std::unique_ptr<demo::DemoSystem> demo_ = demotest::openMemory();

    HttpReply send(const QByteArray& request) { return exchange(quint16(server_.port()), request); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFileInfo::exists(qvor::test::DemoServerProcess::program()), "qvor-demo-server is not built");
        QVERIFY2(server_.start(), qPrintable(server_.error()));
    }

    void logonIsCheckedOnEveryRequest_data()
    {
        // Before anything else: a stranger learns nothing about paths or methods.
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QByteArray>("authorization");
        QTest::addColumn<QByteArray>("realm");
        const QByteArray realm001 = "Basic realm=\"SAP NetWeaver Application Server [DEM/001]\"";
        const QByteArray post = "POST";
        QTest::newRow("no credentials") << post << ServicePath << QByteArray() << realm001;
        QTest::newRow("wrong password") << post << ServicePath << "Basic " + QByteArray("DEMO:Demo").toBase64() << realm001;
        QTest::newRow("unknown user") << post << ServicePath << "Basic " + QByteArray("NOBODY:demo").toBase64() << realm001;
        QTest::newRow("not base64") << post << ServicePath << QByteArray("Basic ***") << realm001;
        QTest::newRow("not basic") << post << ServicePath << QByteArray("Bearer abc") << realm001;
        QTest::newRow("other client") << post << ServicePath + "?sap-client=800" << DemoAuth
                                      << QByteArray("Basic realm=\"SAP NetWeaver Application Server [DEM/800]\"");
        QTest::newRow("language not installed") << post << ServicePath + "?sap-language=XX" << DemoAuth << realm001;
        QTest::newRow("GET on the service") << QByteArray("GET") << ServicePath << QByteArray() << realm001;
        QTest::newRow("DELETE elsewhere") << QByteArray("DELETE") << QByteArray("/sap/admin") << QByteArray() << realm001;
        QTest::newRow("other path") << post << QByteArray("/sap/public/ping") << QByteArray("Basic Og==") << realm001;
    }
    void logonIsCheckedOnEveryRequest()
    {
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, target);
        QFETCH(QByteArray, authorization);
        QFETCH(QByteArray, realm);
        const QByteArray body = QByteArray::fromStdString(soap::requestMessage(demotest::readCall({"T000"})));
        const HttpReply r = send(httpRequest(method, target, method == "GET" ? QByteArray() : body, authorization));
        QCOMPARE(r.status, 401);
        QCOMPARE(r.header("www-authenticate"), realm);
        QVERIFY(r.body.contains("<h1>Logon failed</h1>"));
        QVERIFY(r.header("set-cookie").isEmpty());
        QVERIFY(!r.body.contains("demo"));   // a password never comes back
    }

    void onlyPostOnTheServicePath_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<int>("status");
        QTest::newRow("other service") << QByteArray("POST") << QByteArray("/sap/bc/soap/wsdl11?services=RFC_READ_TABLE") << 404;
        QTest::newRow("root") << QByteArray("GET") << QByteArray("/") << 404;
        QTest::newRow("service prefix only") << QByteArray("POST") << QByteArray("/sap/bc/soap/rf") << 404;
        QTest::newRow("GET on the service") << QByteArray("GET") << ServicePath << 405;
        QTest::newRow("PUT on the service") << QByteArray("PUT") << ServicePath << 405;
    }
    void onlyPostOnTheServicePath()
    {
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, target);
        QFETCH(int, status);
        const QByteArray body = QByteArray::fromStdString(soap::requestMessage(demotest::readCall({"T000"})));
        QCOMPARE(send(httpRequest(method, target, method == "GET" ? QByteArray() : body)).status, status);
    }

    void answersAsTheDemoSystemDoes_data()
    {
        QTest::addColumn<demotest::Read>("read");
        QTest::newRow("T000 whole") << demotest::Read{"T000"};
        QTest::newRow("blank-padded scalars, fields, options")
            << demotest::Read{"T000    ", {"MANDT", "MTEXT", "ORT01"}, {"MANDT <> '066' AND", "ORT01 LIKE 'S%'"}, "; ", "", "5  "};
        QTest::newRow("no data") << demotest::Read{"KNA1", {"KUNNR", "NAME1"}, {}, "", "X"};
        QTest::newRow("special characters") << demotest::Read{"BSEG", {"BELNR", "SGTXT"}, {"SGTXT LIKE '%São%'"}, "|", "", "20"};
    }
    void answersAsTheDemoSystemDoes()
    {
        QFETCH(demotest::Read, read);
        const rfc::FunctionCall call = demotest::readCall(read);
        const HttpReply r = send(soapPost(call));
        QCOMPARE(r.status, 200);
        QVERIFY(r.header("content-type").startsWith("text/xml"));
        QCOMPARE(r.header("transfer-encoding"), QByteArray("chunked"));
        const auto reader = readSoap(r.body);
        QCOMPARE(reader->kind(), soap::SoapReader::Kind::Answer);
        QCOMPARE(reader->function(), std::string("RFC_READ_TABLE"));
        const rfc::FunctionResult got = reader->takeResult();

        // The demo system in this process reads the same generated rows; it gets the scalars
        // without their blanks, as the server hands them on.
        rfc::FunctionCall trimmed = call;
        for (auto& [name, value] : trimmed.parameters)
            while (!value.empty() && value.back() == ' ') value.pop_back();
        const rfc::FunctionResult expected = demo_->call(demotest::session(), trimmed);
        QVERIFY2(expected.ok(), expected.exception.c_str());
        QCOMPARE(got.tables.size(), std::size_t(3));
        for (const auto& [name, table] : expected.tables) {
            QVERIFY2(got.tables.count(name), name.c_str());
            QCOMPARE(tableText(got.tables.at(name)), tableText(table));
        }
        QVERIFY(!expected.tables.at("FIELDS").rows.empty());
        QCOMPARE(expected.tables.at("DATA").rows.empty(), !read.noData.empty());
    }

    void onlyTheTablesSentComeBack()
    {
        rfc::FunctionCall call = demotest::readCall({"T000", {"MANDT"}});
        call.tables.erase("OPTIONS");
        call.tables.erase("FIELDS");
        const HttpReply r = send(soapPost(call));
        QCOMPARE(r.status, 200);
        const rfc::FunctionResult got = readSoap(r.body)->takeResult();
        QCOMPARE(got.tables.size(), std::size_t(1));
        QCOMPARE(got.tables.at("DATA").rows.size(), std::size_t(3));   // clients 000, 001, 066
    }

    void exceptionsAreFaults_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QString>("exception");
        QTest::newRow("unknown table") << soapPost(demotest::readCall({"ZNOTHERE"})) << "TABLE_NOT_AVAILABLE";
        QTest::newRow("bad condition") << soapPost(demotest::readCall({"T000", {}, {"MANDT = "}})) << "OPTION_NOT_VALID";
        QTest::newRow("refused table")
            << soapPost(demotest::readCall({"USR02"}), "Basic " + QByteArray("auditor:audit").toBase64()) << "NOT_AUTHORIZED";
        rfc::FunctionCall unknown;
        unknown.name = "Z_NO_SUCH_FUNCTION";
        QTest::newRow("unknown function") << soapPost(unknown) << "FU_NOT_FOUND";
    }
    void exceptionsAreFaults()
    {
        QFETCH(QByteArray, request);
        QFETCH(QString, exception);
        const HttpReply r = send(request);
        QCOMPARE(r.status, 500);
        const auto reader = readSoap(r.body);
        QCOMPARE(reader->kind(), soap::SoapReader::Kind::Fault);
        QCOMPARE(QString::fromStdString(reader->fault().exception()), exception);
    }

    void unreadableRequestsAreClientFaults_data()
    {
        QTest::addColumn<QByteArray>("body");
        const QByteArray valid = QByteArray::fromStdString(soap::requestMessage(demotest::readCall({"T000"})));
        QTest::newRow("not XML") << QByteArray("QUERY_TABLE=T000");
        QTest::newRow("cut short") << valid.left(valid.size() / 2);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("DOCTYPE with entities")
            << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;\">]>") +
                   valid.mid(valid.indexOf("<SOAP-ENV:Envelope")).replace("T000", "&b;");
        QTest::newRow("an answer, not a request")
            << QByteArray::fromStdString(soap::AnswerStream::whole("RFC_READ_TABLE", rfc::FunctionResult{}));
        QTest::newRow("a fault") << QByteArray::fromStdString(soap::faultMessage("RFC_READ_TABLE", "X", "y"));
        // Hundreds of thousands of them would once have cost gigabytes; now the first one too many ends the reading.
        QByteArray tables;
        for (int i = 0; i < 100000; ++i) tables += "<T" + QByteArray::number(i) + "><item><A/></item></T" + QByteArray::number(i) + ">";
        QTest::newRow("too many tables") << QByteArray(valid).replace("<DATA/>", "<DATA/>" + tables);
    }
    void unreadableRequestsAreClientFaults()
    {
        QFETCH(QByteArray, body);
        const HttpReply r = send(httpRequest("POST", ServicePath, body));
        QCOMPARE(r.status, 500);
        const auto reader = readSoap(r.body);
        QCOMPARE(reader->kind(), soap::SoapReader::Kind::Fault);
        QVERIFY(reader->fault().faultCode.ends_with("Client"));
        QVERIFY(!reader->fault().faultString.empty());
        // and the server is still there for the next caller
        QCOMPARE(send(soapPost(demotest::readCall({"T000", {"MANDT"}}))).status, 200);
    }

    void keptAliveConnectionStaysInStep()
    {
        // Refused requests leave their bodies behind; none of it may be taken for the next request.
        const QByteArray body = QByteArray::fromStdString(soap::requestMessage(demotest::readCall({"T000", {"MANDT"}})));
        const auto keptAlive = [](QByteArray request) { return request.replace("Connection: close\r\n", ""); };
        RawHttpClient client;
        QVERIFY(client.connect(quint16(server_.port())));
        const QList<QPair<QByteArray, int>> steps = {
            {httpRequest("POST", ServicePath, body, "Basic " + QByteArray("DEMO:x").toBase64()), 401},
            {httpRequest("POST", "/sap/public/ping", body), 404},
            {httpRequest("PUT", ServicePath, body), 405},
            {httpRequest("POST", ServicePath, "<not-soap/>"), 500},
            {httpRequest("POST", ServicePath, body), 200},
        };
        for (const auto& [request, status] : steps) {
            QVERIFY(client.send(keptAlive(request)));
            QCOMPARE(client.readReply().status, status);
        }
        QVERIFY(!client.closedByServer(100));
    }

    void oversizedRequestIsRefused()
    {
        // Refused on its announced size, before the body is read: the client need not send it.
        QByteArray body = QByteArray::fromStdString(soap::requestMessage(demotest::readCall({"T000"})));
        body.insert(body.indexOf("<QUERY_TABLE>"), "<PADDING>" + QByteArray(17 << 20, 'x') + "</PADDING>");
        RawHttpClient client;
        QVERIFY(client.connect(quint16(server_.port())));
        QVERIFY(client.send(httpRequest("POST", ServicePath, body).left(4096)));
        QCOMPARE(client.readReply().status, 413);
        QVERIFY(client.closedByServer(5000));
        QCOMPARE(send(soapPost(demotest::readCall({"T000", {"MANDT"}}))).status, 200);
    }

    void sessionCookieIsReused()
    {
        // A server of its own, so that every session line on its standard error belongs to this test.
        qvor::test::DemoServerProcess server;
        QVERIFY2(server.start(), qPrintable(server.error()));
        const auto send = [&](const QByteArray& request) { return exchange(quint16(server.port()), request); };
        const rfc::FunctionCall call = demotest::readCall({"T000", {"MANDT"}});
        const HttpReply first = send(soapPost(call));
        QCOMPARE(first.status, 200);
        const QByteArray setCookie = first.header("set-cookie");
        QVERIFY2(setCookie.startsWith("SAP_SESSIONID_DEM_001="), setCookie.constData());
        QVERIFY(setCookie.endsWith("; path=/"));
        const QByteArray cookie = setCookie.left(setCookie.indexOf(';'));
        QTRY_COMPARE(server.sessionsOpened(), 1);

        const HttpReply again = send(soapPost(call, DemoAuth, "sap-usercontext=sap-client=001; " + cookie));
        QCOMPARE(again.status, 200);
        QVERIFY(again.header("set-cookie").isEmpty());
        // The cookie does not replace the password.
        QCOMPARE(send(soapPost(call, QByteArray(), cookie)).status, 401);
        // Another user's request with this cookie gets a session of its own.
        const HttpReply other = send(soapPost(demotest::readCall({"SCARR", {"CARRID"}}),
                                              "Basic " + QByteArray("AUDITOR:audit").toBase64(), cookie));
        QCOMPARE(other.status, 200);
        QVERIFY(!other.header("set-cookie").isEmpty());
        QVERIFY(other.header("set-cookie") != setCookie);
        // The server logs each session as it opens it, before answering: once the other user's line
        // is there, a line for the reused cookie would be there too.
        QTRY_VERIFY(server.sessionsOpened() >= 2);
        QCOMPARE(server.sessionsOpened(), 2);
        QVERIFY(server.output().contains("opened for AUDITOR client 001"));
        QVERIFY(!server.output().contains("audit\n") && !server.output().contains(":demo"));
    }

    void clientLeavingMidAnswerDoesNotHurt()
    {
        // A slow server, so the answer is still being written when the client goes.
        qvor::test::DemoServerProcess slow;
        QVERIFY2(slow.start({QStringLiteral("--delay"), QStringLiteral("20")}), qPrintable(slow.error()));
        QTcpSocket socket;
        socket.connectToHost(QStringLiteral("127.0.0.1"), quint16(slow.port()));
        QVERIFY(socket.waitForConnected(5000));
        socket.write(soapPost(demotest::readCall({"BSEG", {"BUKRS", "BELNR", "GJAHR", "BUZEI", "SGTXT", "DMBTR"}})));
        QVERIFY(socket.waitForReadyRead(30000));
        const QByteArray start = socket.readAll();
        QVERIFY(start.startsWith("HTTP/1.1 200"));
        socket.abort();

        QTest::qWait(200);
        QCOMPARE(slow.process().state(), QProcess::Running);
        const HttpReply r = exchange(quint16(slow.port()), soapPost(demotest::readCall({"T000", {"MANDT"}})));
        QCOMPARE(r.status, 200);
        QCOMPARE(readSoap(r.body)->takeResult().tables.at("DATA").rows.size(), std::size_t(3));
    }

    void usageErrorsExitWithTwo_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("unknown option") << QStringList{"--verbose"};
        QTest::newRow("port not a number") << QStringList{"--port", "http"};
        QTest::newRow("port out of range") << QStringList{"--port", "70000"};
        QTest::newRow("scale zero") << QStringList{"--scale=0"};
        QTest::newRow("missing value") << QStringList{"--delay"};
    }
    void usageErrorsExitWithTwo()
    {
        QFETCH(QStringList, arguments);
        QProcess p;
        p.start(qvor::test::DemoServerProcess::program(), arguments);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(p.readAllStandardOutput().isEmpty());
        QVERIFY(p.readAllStandardError().contains("usage: qvor-demo-server"));
    }
};

QTEST_GUILESS_MAIN(DemoServerTest)
#include "demo_server.moc"
