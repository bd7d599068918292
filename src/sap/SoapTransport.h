#pragma once
// A real SAP system over SAP's SOAP service /sap/bc/soap/rfc: every remote call is one HTTP POST
// with basic authentication, the logon client and language as URL parameters, and the session
// cookie the system sets sent back, so one logon keeps one security session on the server.
// Passwords stay in memory for the logon's lifetime only.
#include "sap/RfcTransport.h"
#include "sap/SystemList.h"

#include <QPointer>
#include <QUrl>
#include <map>
#include <memory>
#include <vector>

namespace qvor {

class SoapExchange;
class HttpConnections;

class SoapTransport final : public RfcTransport {
public:
    explicit SoapTransport(SystemEntry entry);
    ~SoapTransport() override;

    // Keeps the logon values; the connection proves them with its first call (RFC_SYSTEM_INFO),
    // which is where a wrong password shows (HTTP 401).
    RfcReply* logon(const LogonValues& values) override;
    RfcReply* call(const rfc::FunctionCall& call) override;
    void logoff() override;
    bool loggedOn() const override;
    QString connectionNote() const override;

    // The longest time a call may go without receiving anything, and also receive less than 1 KiB
    // per second (QVOR_SOAP_TIMEOUT seconds, else 600); the longest a whole call may take
    // (QVOR_SOAP_CALL_LIMIT seconds, else 4 hours); the largest answer accepted
    // (QVOR_SOAP_MAX_ANSWER_MB, else 8192).
    void setTimeoutMs(int ms) { timeoutMs_ = ms; }
    void setCallLimitMs(qint64 ms) { callLimitMs_ = ms; }
    void setMaxAnswerBytes(quint64 bytes) { maxAnswerBytes_ = bytes; }
    // The longest time to reach the server and agree on TLS (30 seconds).
    void setConnectTimeoutMs(int ms) { connectTimeoutMs_ = ms; }

    // The service address for an entry's SOAP address: the path /sap/bc/soap/rfc is added when the
    // address has none, and the client and language become sap-client and sap-language. An invalid
    // URL when the address is not an http or https address (the reason in error).
    static QUrl serviceUrl(const QString& address, const QString& client, const QString& language, QString* error);

    // How messages name the system: the entry's name and the server, e.g. "PRD (sap.example.com)".
    QString systemLabel() const;

private:
    SystemEntry entry_;
    LogonValues values_;
    QUrl url_;
    bool loggedOn_ = false;
    int timeoutMs_;
    int connectTimeoutMs_ = 30000;
    qint64 callLimitMs_;
    quint64 maxAnswerBytes_;
    std::vector<QPointer<SoapExchange>> calls_;                  // the calls on their way
    std::shared_ptr<std::map<QByteArray, QByteArray>> cookies_;   // this logon's session
    std::shared_ptr<HttpConnections> connections_;                // and its kept-alive connections
    std::shared_ptr<QByteArray> soapAction_;                      // and the SOAPAction its system takes
};

} // namespace qvor
