#pragma once
// The answer to one request of a transport (a logon or a remote call). The request runs elsewhere;
// the reply is filled and signals finished() on the thread it lives in (the UI thread), so the
// caller either connects to finished() or waits with waitForFinished() while the window stays live.
// A reply finishes exactly once, always from the event loop: also when it is cancelled, so whoever
// cancels never runs the caller's handler from inside its own code.
#include "rfc/RfcData.h"

#include <QObject>
#include <QString>
#include <functional>

namespace qvor {

class RfcReply : public QObject {
    Q_OBJECT
public:
    explicit RfcReply(QObject* parent = nullptr) : QObject(parent) {}

    bool isFinished() const { return finished_; }
    // Runs a local event loop until the reply is finished; returns at once when it already is.
    void waitForFinished();

    // Empty unless the request could not be carried out at all (no answer from the system,
    // or a refused logon: then it is the reason as a user reads it).
    const QString& errorText() const { return errorText_; }
    const rfc::FunctionResult& result() const { return result_; }
    rfc::FunctionResult takeResult() { return std::move(result_); }

    // Stops the request: the transport ends its work (closes the exchange, interrupts the
    // statement) and the reply finishes soon after with wasCancelled() true, unless the answer
    // was already on its way in. Nothing happens once the reply has finished.
    void cancel();
    bool cancelRequested() const { return cancelRequested_; }
    bool wasCancelled() const { return cancelled_; }
    // A failure that may pass if the same request is sent again (a time-out, a lost connection,
    // a server that is briefly unavailable); set by the transport before it finishes the reply.
    bool transientFailure() const { return transient_; }
    void markTransient() { transient_ = true; }

    // Called by the transport, on the reply's thread. A second finish is ignored, so a transport
    // may deliver an answer that a cancel has overtaken.
    void finish(rfc::FunctionResult result, const QString& errorText = {});
    // How the transport stops its work for cancel(); called at most once.
    void setCanceller(std::function<void()> canceller) { canceller_ = std::move(canceller); }
    // Finishes the reply once control is back in the event loop.
    void finishLater(rfc::FunctionResult result, const QString& errorText = {});

Q_SIGNALS:
    void finished();

private:
    rfc::FunctionResult result_;
    QString errorText_;
    std::function<void()> canceller_;
    bool finished_ = false;
    bool cancelRequested_ = false;
    bool cancelled_ = false;
    bool transient_ = false;
};

} // namespace qvor
