#pragma once
// One POST to the SOAP service and its answer: the answer is parsed as its bytes arrive, and
// whatever happens (answer, fault, HTTP status, network or TLS failure, time-out, a malformed or
// oversized answer) ends in exactly one finish() of the RfcReply, with a text naming the system.
#include "demosystem/RfcData.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <memory>
#include <set>
#include <string>

class QNetworkReply;

namespace soap { class SoapReader; }

namespace qvor {

class RfcReply;

class SoapExchange : public QObject {
    Q_OBJECT
public:
    // Set on a network reply that the transport aborts because the user logged off.
    static constexpr const char* LoggedOffProperty = "qvorLoggedOff";

    struct Setup {
        QString systemLabel;        // names the system in messages
        std::string function;       // the function called, to match the answer against
        std::set<std::string> tableNames;
        int timeoutMs = 0;
        quint64 maxAnswerBytes = 0;
    };

    // Follows the network reply; deletes both once the RfcReply is finished.
    SoapExchange(QNetworkReply* network, RfcReply* reply, Setup setup);
    ~SoapExchange() override;

private:
    void onReadyRead();
    void onFinished();
    void stop(const QString& why);
    void deliver(rfc::FunctionResult result, const QString& errorText);
    QString networkErrorText() const;
    int status() const;

    QPointer<QNetworkReply> network_;   // owned by the transport's network manager
    QPointer<RfcReply> reply_;
    Setup setup_;
    std::unique_ptr<soap::SoapReader> reader_;
    bool unreadableFault_ = false;
    bool delivered_ = false;
    QString stoppedBecause_;
    QStringList tlsErrors_;
};

} // namespace qvor
