#include "tableaccess/PagedRead.h"

#include "sap/FunctionsComponent.h"
#include "sap/RfcReply.h"

namespace qvor {

PagedRead::PagedRead(FunctionsComponent* session, PagedReadSpec spec, Sink sink, Done done, QObject* parent)
    : QObject(parent), session_(session), spec_(std::move(spec)), sink_(std::move(sink)), done_(std::move(done))
{
    retryTimer_.setSingleShot(true);
    connect(&retryTimer_, &QTimer::timeout, this, &PagedRead::callPage);
}

PagedRead::PagedRead(FunctionsComponent* session, Prepare prepare, Answer answer, Done done, QObject* parent)
    : QObject(parent), session_(session), prepare_(std::move(prepare)), answer_(std::move(answer)), done_(std::move(done))
{
    retryTimer_.setSingleShot(true);
    connect(&retryTimer_, &QTimer::timeout, this, &PagedRead::callPage);
}

PagedRead::~PagedRead()
{
    if (function_) function_->abandonCall();
}

int PagedRead::retryPauseMs(int retry)
{
    static const int base = [] {
        const int ms = qEnvironmentVariableIntValue("QVOR_RETRY_PAUSE_MS");
        return ms > 0 ? ms : 1000;
    }();
    return base << std::clamp(retry - 1, 0, 10);
}

void PagedRead::start()
{
    rows_ = 0;
    attempt_ = 0;
    retries_ = 0;
    failure_.clear();
    callPage();
}

void PagedRead::cancel()
{
    retryTimer_.stop();
    if (function_) {
        function_->abandonCall();
        function_ = nullptr;
    }
}

void PagedRead::callPage()
{
    if (prepare_) {
        RfcFunction* function = prepare_(session_);
        if (!function) return fail(QStringLiteral("Object variable or With block variable not set"));
        return startCall(function);
    }
    ReadTableRequest request = spec_.request;
    const qint32 limit = spec_.request.rowLimit;
    if (spec_.pageRows > 0) {
        request.rowSkips = static_cast<qint32>(rows_);
        request.rowLimit = limit > 0 ? static_cast<qint32>(std::min<qint64>(spec_.pageRows, limit - rows_)) : spec_.pageRows;
    }
    AppError error;
    RfcFunction* function = ReadTableCall::prepare(session_, request, *spec_.fields, *spec_.options, &error);
    if (!function) return fail(error.text(QStringLiteral(" on GetData ")));
    startCall(function);
}

void PagedRead::startCall(RfcFunction* function)
{
    function_ = function;
    RfcReply* reply = function->startCall();
    const auto handle = [this, function, reply] {
        if (function_ == function) onReply(function, reply);
    };
    if (reply->isFinished()) QTimer::singleShot(0, this, handle);
    else connect(reply, &RfcReply::finished, this, handle, Qt::SingleShotConnection);
}

void PagedRead::onReply(RfcFunction* function, RfcReply* reply)
{
    function_ = nullptr;
    const bool answered = function->finishCall(reply);
    if (!answered) {
        if (function->cancelled()) return;   // whoever cancelled it has stopped the read
        if (function->transientFailure() && attempt_ < MaxRetries) {
            ++attempt_;
            ++retries_;
            if (retryNotice_) retryNotice_(attempt_ + 1, function->exception());
            retryTimer_.start(retryPauseMs(attempt_));
            return;
        }
        return fail(function->exception());
    }
    attempt_ = 0;
    if (answer_) {
        answer_(*function);
        if (done_) done_(true);
        return;
    }
    RfcTable& data = function->Tables(QStringLiteral("DATA"));
    const int column = data.data().columnIndex(ReadTableCall::DataColumn);
    const qint64 count = static_cast<qint64>(data.data().rows.size());
    const qint32 asked = spec_.pageRows > 0 ? spec_.pageRows : 0;
    rows_ += count;
    if (!sink_(data.takeRows(), column)) return fail(AppError::pathFileAccess().text());
    const bool limitReached = spec_.request.rowLimit > 0 && rows_ >= spec_.request.rowLimit;
    if (asked > 0 && count >= asked && !limitReached) {
        callPage();
        return;
    }
    if (done_) done_(true);
}

void PagedRead::fail(const QString& why)
{
    failure_ = why;
    if (done_) done_(false);
}

} // namespace qvor
