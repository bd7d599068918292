#include "sap/RfcReply.h"

#include <QEventLoop>

namespace qvor {

void RfcReply::waitForFinished()
{
    if (finished_) return;
    QEventLoop loop;
    connect(this, &RfcReply::finished, &loop, &QEventLoop::quit);
    // Nothing ran between the test above and here, so the loop cannot miss the signal. User input
    // is let through: the window stays usable, and commands that would disturb a running
    // operation are refused by the main window.
    loop.exec();
}

void RfcReply::finish(rfc::FunctionResult result, const QString& errorText)
{
    result_ = std::move(result);
    errorText_ = errorText;
    finished_ = true;
    Q_EMIT finished();
}

} // namespace qvor
