#pragma once
// One RFC_READ_TABLE request read on one session, in pages of ROWSKIPS and ROWCOUNT when asked,
// with its transient failures (a time-out, a lost connection, a busy server) sent again up to
// three times after a growing pause. Each page's data lines go to a sink as they arrive; the
// read ends in exactly one call of its done handler, unless it is cancelled first.
#include "tableaccess/ReadTableCall.h"

#include <QObject>
#include <QTimer>
#include <functional>

namespace rfc { class RowList; }

namespace qvor {

class FunctionsComponent;
class RfcReply;

struct PagedReadSpec {
    ReadTableRequest request;      // its rowLimit is the limit of the whole read (0: all rows)
    const MyTableBuffer* fields = nullptr;
    const OptionsBuffer* options = nullptr;
    qint32 pageRows = 0;           // 0: the whole read in one call
};

class PagedRead : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxRetries = 3;

    // The rows of one answer and the index of the data line column; false stops the read as failed.
    using Sink = std::function<bool(rfc::RowList rows, int column)>;
    using Done = std::function<void(bool ok)>;
    // Any other single call: how it is set up on the session, and what is read from its answer.
    using Prepare = std::function<RfcFunction*(FunctionsComponent* session)>;
    using Answer = std::function<void(RfcFunction& function)>;
    // Before each retry: the try that comes (2 = the first retry) and what went wrong.
    using RetryNotice = std::function<void(int attempt, const QString& why)>;

    PagedRead(FunctionsComponent* session, PagedReadSpec spec, Sink sink, Done done, QObject* parent = nullptr);
    PagedRead(FunctionsComponent* session, Prepare prepare, Answer answer, Done done, QObject* parent = nullptr);
    ~PagedRead() override;

    void setRetryNotice(RetryNotice notice) { retryNotice_ = std::move(notice); }

    void start();
    // Stops the call on its way or the pause before a retry; no done handler follows.
    void cancel();
    bool running() const { return function_ != nullptr || retryTimer_.isActive(); }

    qint64 rows() const { return rows_; }
    int retries() const { return retries_; }
    // After a failed read: what SAP or the transport said.
    const QString& failure() const { return failure_; }

    // The pause before retry n (1-based): base, 2 x base, 4 x base. The base is 1 second unless
    // QVOR_RETRY_PAUSE_MS says otherwise.
    static int retryPauseMs(int retry);

private:
    void callPage();
    void startCall(RfcFunction* function);
    void onReply(RfcFunction* function, RfcReply* reply);
    void fail(const QString& why);

    FunctionsComponent* session_;
    PagedReadSpec spec_;
    Sink sink_;
    Prepare prepare_;
    Answer answer_;
    Done done_;
    RetryNotice retryNotice_;
    RfcFunction* function_ = nullptr;   // the call on its way
    QTimer retryTimer_;
    qint64 rows_ = 0;
    int attempt_ = 0;                   // retries of the current page
    int retries_ = 0;                   // of the whole read
    QString failure_;
};

} // namespace qvor
