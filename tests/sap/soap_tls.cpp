// HTTPS to a server whose certificate nobody vouches for: refused with a message that says how
// to go on when certificates are checked (the default), accepted when the system entry says not
// to check, and the connection's note says which of the two applies.
#include "sap/RfcReply.h"
#include "sap/SoapTransport.h"
#include "sap/SoapWriter.h"
#include "util/UiTexts.h"

#include <QProcess>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace qvor;

class SoapTlsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QSslServer server_;
    int requests_ = 0;

    QByteArray answer() const
    {
        rfc::FunctionResult r;
        r.structures["RFCSI_EXPORT"] = {{"RFCSYSID", "TLS"}};
        const QByteArray body = QByteArray::fromStdString(soap::AnswerStream::whole("RFC_SYSTEM_INFO", r));
        return "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " + QByteArray::number(body.size()) +
               "\r\nConnection: close\r\n\r\n" + body;
    }

    std::unique_ptr<RfcReply> systemInfo(bool verifyTls, QString* note)
    {
        SoapTransport t(SystemEntry{QStringLiteral("SEC"), {}, QStringLiteral("https://127.0.0.1:%1").arg(server_.serverPort()),
                                    {}, {}, {}, verifyTls});
        std::unique_ptr<RfcReply>(t.logon({QStringLiteral("SEC"), "001", "U", "P", "EN"}))->waitForFinished();
        *note = t.connectionNote();
        rfc::FunctionCall call;
        call.name = "RFC_SYSTEM_INFO";
        std::unique_ptr<RfcReply> reply(t.call(call));
        reply->waitForFinished();
        return reply;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!QSslSocket::supportsSsl()) QSKIP("no TLS backend");
        const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
        if (openssl.isEmpty()) QSKIP("the openssl program is not installed");
        QProcess make;
        make.start(openssl, {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1",
                             "-keyout", dir_.filePath("key.pem"), "-out", dir_.filePath("cert.pem")});
        QVERIFY(make.waitForFinished(60000));
        QCOMPARE(make.exitCode(), 0);

        QFile certFile(dir_.filePath("cert.pem")), keyFile(dir_.filePath("key.pem"));
        QVERIFY(certFile.open(QIODevice::ReadOnly) && keyFile.open(QIODevice::ReadOnly));
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(QSslCertificate(certFile.readAll()));
        tls.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Rsa));
        tls.setPeerVerifyMode(QSslSocket::VerifyNone);
        server_.setSslConfiguration(tls);
        QVERIFY(server_.listen(QHostAddress::LocalHost, 0));
        connect(&server_, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    // The whole small request is in; answer and close.
                    if (!s->readAll().contains("</SOAP-ENV:Envelope>")) return;
                    ++requests_;
                    s->write(answer());
                    s->disconnectFromHost();
                });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }

    void unknownCertificateIsRefusedByDefault()
    {
        QString note;
        auto reply = systemInfo(true, &note);
        const QString expectedStart = tx(TextId::SoapTlsFailed).arg(QStringLiteral("SEC (127.0.0.1)"), QString()).section(':', 0, 0);
        QVERIFY2(reply->errorText().startsWith(expectedStart), qPrintable(reply->errorText()));
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

    void entryThatSkipsTheCheckConnects()
    {
        QString note;
        auto reply = systemInfo(false, &note);
        QCOMPARE(reply->errorText(), QString());
        QCOMPARE(reply->result().structures.at("RFCSI_EXPORT").at("RFCSYSID"), std::string("TLS"));
        QCOMPARE(requests_, 1);
        QVERIFY(note.endsWith(tx(TextId::SoapTlsNotVerified)));
    }
};

QTEST_GUILESS_MAIN(SoapTlsTest)
#include "soap_tls.moc"
