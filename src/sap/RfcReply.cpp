#include "sap/RfcReply.h"

#include "util/UiTexts.h"

#include <QEventLoop>
#include <QMetaObject>

namespace qvor {

void RfcReply::waitForFinished()
{
    if (finished_) return;
    QEventLoop loop;
    connect(this, &RfcReply::finished, &loop, &QEventLoop::quit);
    // Nothing ran between the test above and here, so the loop cannot miss the signal. User input
    // is let through: the window stays usable, and commands that would disturb a running
    // operation are refused by the busy guard.
    loop.exec();
}

void RfcReply::finish(rfc::FunctionResult result, const QString& errorText)
{
    if (finished_) return;
    result_ = std::move(result);
    errorText_ = errorText;
    finished_ = true;
    Q_EMIT finished();
}

void RfcReply::finishLater(rfc::FunctionResult result, const QString& errorText)
{
    QMetaObject::invokeMethod(this, [this, result = std::move(result), errorText]() mutable {
        finish(std::move(result), errorText);
    }, Qt::QueuedConnection);
}

void RfcReply::cancel()
{
    if (finished_ || cancelRequested_) return;
    cancelRequested_ = true;
    if (auto stop = std::move(canceller_)) stop();
    QMetaObject::invokeMethod(this, [this] {
        if (finished_) return;
        cancelled_ = true;
        finish({}, tx(TextId::CallCancelled));
    }, Qt::QueuedConnection);
}

} // namespace qvor
