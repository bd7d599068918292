#pragma once
// One POST to the SOAP service and its answer: the answer is parsed as its bytes arrive, and
// whatever happens (answer, fault, HTTP status, network or TLS failure, time-out, a malformed or
// oversized answer, a cancel or the end of the logon) ends in exactly one finish() of the RfcReply,
// with a text naming the system. The exchange owns itself: it is freed from the event loop once
// the reply has it, never by its transport, so whatever the reply's receivers do meanwhile (a
// SYSTEM_FAILURE handler that logs off) cannot free it under its own feet.
#include "rfc/RfcData.h"
#include "sap/HttpPost.h"

#include <QObject>
#include <QPointer>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace soap { class SoapReader; }

namespace qvor {

class RfcReply;

// The session cookies of one logon, by name.
using CookieJar = std::map<QByteArray, QByteArray>;

class SoapExchange : public QObject {
    Q_OBJECT
public:
    struct Setup {
        QString systemLabel;        // names the system in messages
        std::string function;       // the function called, to match the answer against
        std::set<std::string> tableNames;
        int timeoutMs = 0;
        quint64 maxAnswerBytes = 0;
        std::shared_ptr<CookieJar> cookies;   // sent along, and updated from the answer
        std::shared_ptr<HttpConnections> connections;   // the logon's kept-alive connections
        // The logon's SOAPAction header value: "" at first; the function URN from the call on
        // where a system refused "" (the exchange then asks once more with the URN).
        std::shared_ptr<QByteArray> soapAction;
    };

    static constexpr const char* FunctionsUrn = "\"urn:sap-com:document:sap:rfc:functions\"";

    // Sends the request; the reply's cancel() stops the exchange.
    static SoapExchange* start(HttpPost::Request request, RfcReply* reply, Setup setup);

    // Ends the exchange now: the connection is closed and the reply finishes with `why` once
    // control is back in the event loop. Nothing happens when the answer was already delivered.
    void stop(const QString& why);

private:
    SoapExchange(RfcReply* reply, Setup setup);
    ~SoapExchange() override;
    void send();
    bool refusedTheAction() const;
    bool takeBody(std::string_view piece);
    void onFinished();
    void deliver(rfc::FunctionResult result, const QString& errorText);
    void markTransient();
    QString failureText() const;

    HttpPost* post_ = nullptr;
    QPointer<RfcReply> reply_;
    Setup setup_;
    HttpPost::Request request_;      // kept for the one retry with the URN as SOAPAction
    std::unique_ptr<soap::SoapReader> reader_;
    bool unreadableFault_ = false;
    int lineWidth_ = 0;              // of RFC_READ_TABLE's data lines, once FIELDS was read
    bool linesLeftShort_ = false;    // data lines arrived before the layout
    bool delivered_ = false;
    QString stoppedBecause_;
};

} // namespace qvor
