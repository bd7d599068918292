#pragma once
// The answer to one request of a transport (a logon or a remote call). The request runs elsewhere;
// the reply is filled and signals finished() on the thread it lives in (the UI thread), so the
// caller either connects to finished() or waits with waitForFinished() while the window stays live.
#include "rfc/RfcData.h"

#include <QObject>
#include <QString>

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

    // Called by the transport, on the reply's thread.
    void finish(rfc::FunctionResult result, const QString& errorText = {});

Q_SIGNALS:
    void finished();

private:
    rfc::FunctionResult result_;
    QString errorText_;
    bool finished_ = false;
};

} // namespace qvor
