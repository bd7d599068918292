// HTTPS as real systems offer it: a certificate nobody vouches for is refused with a message that
// says how to go on, unless the entry says not to check or names a CA file that vouches for it; a
// system that logs on with X.509 wants the entry's client certificate; and a proxy, the entry's or
// the environment's, is passed through with CONNECT, each failure with its own message.
#include "sap/RfcReply.h"
#include "sap/SoapTransport.h"
#include "sap/SoapWriter.h"
#include "util/UiTexts.h"
#include "support/FileBytes.h"

#include <QProcess>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace qvor;
using qvor::test::fileBytes;

namespace {

// Makes a self-signed certificate and its key; false when openssl fails.
bool makeCertificate(const QString& openssl, const QString& subject, const QString& certPath, const QString& keyPath)
{
    QProcess make;
    make.start(openssl, {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", subject, "-addext",
                         "subjectAltName=IP:127.0.0.1", "-keyout", keyPath, "-out", certPath});
    return make.waitForFinished(60000) && make.exitCode() == 0;
}

QByteArray systemInfoAnswer()
{
    rfc::FunctionResult r;
    r.structures["RFCSI_EXPORT"] = {{"RFCSYSID", "TLS"}};
    const QByteArray body = QByteArray::fromStdString(soap::AnswerStream::whole("RFC_SYSTEM_INFO", r));
    return "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

// Answers every whole request with the system information, then closes.
void serveAnswers(QSslServer& server, int* requests)
{
    QObject::connect(&server, &QTcpServer::pendingConnectionAvailable, &server, [&server, requests] {
        while (QTcpSocket* s = server.nextPendingConnection()) {
            QObject::connect(s, &QTcpSocket::readyRead, s, [s, requests] {
                if (!s->readAll().contains("</SOAP-ENV:Envelope>")) return;
                ++*requests;
                s->write(systemInfoAnswer());
                s->disconnectFromHost();
            });
            QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        }
    });
}

// A tiny HTTP proxy that knows only CONNECT, or refuses it.
class ConnectProxy : public QTcpServer {
public:
    int tunnels = 0;
    bool refuse = false;

    ConnectProxy()
    {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* client = nextPendingConnection()) {
                connect(client, &QTcpSocket::readyRead, client, [this, client] { onRequest(client); });
                connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
            }
        });
    }
    QString address() const { return QStringLiteral("http://127.0.0.1:%1").arg(serverPort()); }

private:
    void onRequest(QTcpSocket* client)
    {
        if (client->property("tunnel").toBool()) return;
        QByteArray head = client->property("head").toByteArray() + client->readAll();
        client->setProperty("head", head);
        if (!head.contains("\r\n\r\n")) return;
        const QList<QByteArray> request = head.left(head.indexOf("\r\n")).split(' ');
        const QList<QByteArray> target = request.value(1).split(':');
        if (refuse || request.value(0) != "CONNECT" || target.size() != 2) {
            client->write("HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n");
            client->disconnectFromHost();
            return;
        }
        ++tunnels;
        client->setProperty("tunnel", true);
        auto* server = new QTcpSocket(client);
        connect(server, &QTcpSocket::connected, client, [client] { client->write("HTTP/1.1 200 Connection established\r\n\r\n"); });
        connect(server, &QTcpSocket::readyRead, client, [client, server] { client->write(server->readAll()); });
        connect(client, &QTcpSocket::readyRead, server, [client, server] { server->write(client->readAll()); });
        connect(server, &QTcpSocket::disconnected, client, &QTcpSocket::disconnectFromHost);
        connect(client, &QTcpSocket::disconnected, server, &QTcpSocket::disconnectFromHost);
        server->connectToHost(QString::fromLatin1(target[0]), quint16(target[1].toUInt()));
    }
};

} // namespace

class SoapTlsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString openssl_;
    QSslServer server_;        // anyone may connect
    QSslServer x509Server_;    // only with a client certificate it trusts
    int requests_ = 0;

    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    SystemEntry entry(const QSslServer& server) const
    {
        return SystemEntry{QStringLiteral("SEC"), {}, QStringLiteral("https://127.0.0.1:%1").arg(server.serverPort()), {}, {}, {}, true};
    }

    std::unique_ptr<RfcReply> systemInfo(const SystemEntry& entry, QString* note = nullptr)
    {
        SoapTransport t(entry);
        t.setConnectTimeoutMs(3000);
        std::unique_ptr<RfcReply>(t.logon({QStringLiteral("SEC"), "001", "U", "P", "EN"}))->waitForFinished();
        if (note) *note = t.connectionNote();
        rfc::FunctionCall call;
        call.name = "RFC_SYSTEM_INFO";
        std::unique_ptr<RfcReply> reply(t.call(call));
        reply->waitForFinished();
        return reply;
    }

    static QString messageStart(TextId id) { return tx(id).arg(QStringLiteral("SEC (127.0.0.1)"), QString()).section(':', 0, 0); }

private Q_SLOTS:
    void initTestCase()
    {
        if (!QSslSocket::supportsSsl()) QSKIP("no TLS backend");
        openssl_ = QStandardPaths::findExecutable(QStringLiteral("openssl"));
        if (openssl_.isEmpty()) QSKIP("the openssl program is not installed");
        QVERIFY(makeCertificate(openssl_, "/CN=127.0.0.1", path("cert.pem"), path("key.pem")));
        QVERIFY(makeCertificate(openssl_, "/CN=JSMITH", path("client-cert.pem"), path("client-key.pem")));

        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(QSslCertificate(fileBytes(path("cert.pem"))));
        tls.setPrivateKey(QSslKey(fileBytes(path("key.pem")), QSsl::Rsa));
        tls.setPeerVerifyMode(QSslSocket::VerifyNone);
        server_.setSslConfiguration(tls);
        QVERIFY(server_.listen(QHostAddress::LocalHost, 0));
        serveAnswers(server_, &requests_);

        tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
        tls.setCaCertificates({QSslCertificate(fileBytes(path("client-cert.pem")))});
        x509Server_.setSslConfiguration(tls);
        QVERIFY(x509Server_.listen(QHostAddress::LocalHost, 0));
        serveAnswers(x509Server_, &requests_);
    }

    void unknownCertificateIsRefusedByDefault()
    {
        requests_ = 0;
        QString note;
        auto reply = systemInfo(entry(server_), &note);
        QVERIFY2(reply->errorText().startsWith(messageStart(TextId::SoapTlsFailed)), qPrintable(reply->errorText()));
        QVERIFY(reply->errorText().contains(QStringLiteral("self signed"), Qt::CaseInsensitive)
                || reply->errorText().contains(QStringLiteral("self-signed"), Qt::CaseInsensitive));
        QCOMPARE(requests_, 0);
        QVERIFY(note.endsWith(tx(TextId::SoapTlsVerified)));
    }

    void silentServerEndsTheCallAfterTheConnectTimeOut()
    {
        // It takes the connection but never answers the TLS greeting.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        SoapTransport t(SystemEntry{QStringLiteral("SEC"), {}, QStringLiteral("https://127.0.0.1:%1").arg(silent.serverPort()),
                                    {}, {}, {}, true});
        t.setConnectTimeoutMs(300);
        std::unique_ptr<RfcReply>(t.logon({QStringLiteral("SEC"), "001", "U", "P", "EN"}))->waitForFinished();
        rfc::FunctionCall call;
        call.name = "RFC_SYSTEM_INFO";
        std::unique_ptr<RfcReply> reply(t.call(call));
        reply->waitForFinished();
        QCOMPARE(reply->errorText(), tx(TextId::SoapTimeout).arg(QStringLiteral("SEC (127.0.0.1)"), QStringLiteral("1")));
    }

    void entrySettingsDecide_data()
    {
        // What the entry says, and the start of the message it leads to (empty: the call succeeds).
        QTest::addColumn<int>("server");   // 0: anyone may connect; 1: X.509 only; 2: openssl's X.509 server, which says why it refuses
        QTest::addColumn<bool>("verifyTls");
        QTest::addColumn<QString>("caFile");
        QTest::addColumn<QString>("certificate");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("failure");
        const QString none;
        QTest::newRow("no check") << 0 << false << none << none << none << none;
        QTest::newRow("CA file vouches for the server") << 0 << true << "cert.pem" << none << none << none;
        QTest::newRow("CA file that is no certificate")
            << 0 << true << "client-key.pem" << none << none << messageStart(TextId::SoapTlsFiles);
        QTest::newRow("X.509 system without a client certificate")
            << 2 << false << none << none << none << messageStart(TextId::SoapTlsRefused);
        QTest::newRow("X.509 system with the client certificate")
            << 1 << true << "cert.pem" << "client-cert.pem" << "client-key.pem" << none;
        QTest::newRow("client certificate without its key")
            << 1 << false << none << "client-cert.pem" << "missing-key.pem" << messageStart(TextId::SoapTlsFiles);
    }
    void entrySettingsDecide()
    {
        QFETCH(int, server);
        QFETCH(bool, verifyTls);
        QFETCH(QString, caFile);
        QFETCH(QString, certificate);
        QFETCH(QString, key);
        QFETCH(QString, failure);
        SystemEntry e = entry(server == 1 ? x509Server_ : server_);
        QProcess opensslServer;
        if (server == 2) {
            opensslServer.start(openssl_, {"s_server", "-accept", "127.0.0.1:0", "-cert", path("cert.pem"), "-key", path("key.pem"),
                                           "-Verify", "1", "-CAfile", path("client-cert.pem"), "-www"});
            QByteArray out;
            while (!out.contains("ACCEPT 127.0.0.1:") && opensslServer.waitForReadyRead(10000)) out += opensslServer.readAllStandardOutput();
            const QByteArray port = out.mid(out.indexOf("ACCEPT 127.0.0.1:") + 17).trimmed();
            QVERIFY2(port.toInt() > 0, out.constData());
            e.address = QStringLiteral("https://127.0.0.1:") + QString::fromLatin1(port);
        }
        e.verifyTls = verifyTls;
        const auto file = [this](const QString& name) { return name.isEmpty() ? name : dir_.filePath(name); };
        e.caFile = file(caFile);
        e.clientCertificate = file(certificate);
        e.clientKey = file(key);
        requests_ = 0;
        QString note;
        auto reply = systemInfo(e, &note);
        if (failure.isEmpty()) {
            QCOMPARE(reply->errorText(), QString());
            QCOMPARE(reply->result().structures.at("RFCSI_EXPORT").at("RFCSYSID"), std::string("TLS"));
            QCOMPARE(requests_, 1);
        } else {
            QVERIFY2(reply->errorText().startsWith(failure), qPrintable(reply->errorText()));
            QCOMPARE(requests_, 0);
        }
        opensslServer.kill();
        opensslServer.waitForFinished();
        QVERIFY(note.endsWith(tx(verifyTls ? TextId::SoapTlsVerified : TextId::SoapTlsNotVerified)));
    }

    void proxiesAreUsedAsTold_data()
    {
        QTest::addColumn<QString>("entryProxy");    // "proxy": the test proxy; "dead": a port nobody listens on
        QTest::addColumn<QString>("httpsProxy");    // the environment's https_proxy, the same way
        QTest::addColumn<QString>("noProxy");
        QTest::addColumn<bool>("refuse");
        QTest::addColumn<int>("tunnels");
        QTest::addColumn<QString>("failure");
        QTest::newRow("the entry's proxy") << "proxy" << "" << "" << false << 1 << QString();
        QTest::newRow("https_proxy of the environment") << "" << "proxy" << "" << false << 1 << QString();
        QTest::newRow("the entry's proxy before the environment's") << "proxy" << "dead" << "" << false << 1 << QString();
        QTest::newRow("no_proxy goes direct") << "" << "dead" << "127.0.0.1" << false << 0 << QString();
        QTest::newRow("proxy refuses the tunnel") << "proxy" << "" << "" << true << 0 << messageStart(TextId::SoapProxyFailed);
        QTest::newRow("proxy not there") << "dead" << "" << "" << false << 0 << messageStart(TextId::SoapProxyFailed);
    }
    void proxiesAreUsedAsTold()
    {
        QFETCH(QString, entryProxy);
        QFETCH(QString, httpsProxy);
        QFETCH(QString, noProxy);
        QFETCH(bool, refuse);
        QFETCH(int, tunnels);
        QFETCH(QString, failure);
        ConnectProxy proxy;
        proxy.refuse = refuse;
        QTcpServer closed;   // a port that was free a moment ago
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        const QString dead = QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort());
        closed.close();
        const auto address = [&](const QString& which) { return which == "proxy" ? proxy.address() : which == "dead" ? dead : QString(); };
        qputenv("https_proxy", address(httpsProxy).toUtf8());
        qputenv("no_proxy", noProxy.toUtf8());
        SystemEntry e = entry(server_);
        e.verifyTls = false;
        e.proxy = address(entryProxy);
        requests_ = 0;
        auto reply = systemInfo(e);
        qunsetenv("https_proxy");
        qunsetenv("no_proxy");
        if (failure.isEmpty()) QCOMPARE(reply->errorText(), QString());
        else QVERIFY2(reply->errorText().startsWith(failure), qPrintable(reply->errorText()));
        QCOMPARE(proxy.tunnels, tunnels);
        QCOMPARE(requests_, failure.isEmpty() ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(SoapTlsTest)
#include "soap_tls.moc"
