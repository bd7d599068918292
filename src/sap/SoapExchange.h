#pragma once
// One POST to the SOAP service and its answer: the answer is parsed as its bytes arrive, and
// whatever happens (answer, fault, HTTP status, network or TLS failure, time-out, a malformed or
// oversized answer) ends in exactly one finish() of the RfcReply, with a text naming the system.
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
    };

    // Sends the request; the exchange is a child of owner and deletes itself once the reply is
    // finished. Deleting the owner (a log-off) finishes the reply with "not logged on".
    static void start(QObject* owner, HttpPost::Request request, RfcReply* reply, Setup setup);

private:
    SoapExchange(QObject* owner, RfcReply* reply, Setup setup);
    ~SoapExchange() override;
    bool takeBody(std::string_view piece);
    void onFinished();
    void deliver(rfc::FunctionResult result, const QString& errorText);
    QString failureText() const;

    HttpPost* post_;
    QPointer<RfcReply> reply_;
    Setup setup_;
    std::unique_ptr<soap::SoapReader> reader_;
    bool unreadableFault_ = false;
    int lineWidth_ = 0;              // of RFC_READ_TABLE's data lines, once FIELDS was read
    bool linesLeftShort_ = false;    // data lines arrived before the layout
    bool delivered_ = false;
    QString stoppedBecause_;
};

} // namespace qvor
