#include "sap/SoapExchange.h"

#include "sap/DataLinePadding.h"
#include "sap/RfcReply.h"
#include "sap/SoapReader.h"
#include "util/UiTexts.h"

#include <QCoreApplication>
#include <QThreadPool>

namespace qvor {
namespace {

// Statuses whose body is a SOAP message: the answer, or a fault for an ABAP exception.
bool carriesSoap(int status) { return status == 200 || status == 500; }

rfc::FunctionResult exceptionResult(const soap::Fault& fault)
{
    rfc::FunctionResult r;
    r.exception = fault.exception();
    r.message = !fault.text.empty() ? fault.text : r.exception != fault.faultString ? fault.faultString : std::string();
    return r;
}

QByteArray cookieHeader(const CookieJar& cookies)
{
    QByteArray header;
    for (const auto& [name, value] : cookies) {
        if (!header.isEmpty()) header += "; ";
        header += name + '=' + value;
    }
    return header;
}

} // namespace

SoapExchange* SoapExchange::start(HttpPost::Request request, RfcReply* reply, Setup setup)
{
    request.timeoutMs = setup.timeoutMs;
    auto* exchange = new SoapExchange(reply, std::move(setup));
    exchange->request_ = std::move(request);
    QPointer<SoapExchange> guard(exchange);
    if (reply) reply->setCanceller([guard] {
        if (guard) guard->stop(tx(TextId::CallCancelled));
    });
    exchange->send();
    return exchange;
}

SoapExchange::SoapExchange(RfcReply* reply, Setup setup) : reply_(reply), setup_(std::move(setup)) {}

// One POST with a fresh reader; the cookies and SOAPAction as the logon has them now.
void SoapExchange::send()
{
    if (setup_.cookies && !setup_.cookies->empty()) request_.headers["Cookie"] = cookieHeader(*setup_.cookies);
    request_.headers["SOAPAction"] = setup_.soapAction ? *setup_.soapAction : QByteArray("\"\"");
    if (post_) post_->deleteLater();
    post_ = new HttpPost(setup_.connections, this);
    unreadableFault_ = false;
    lineWidth_ = 0;
    linesLeftShort_ = false;
    stoppedBecause_.clear();
    soap::ReaderLimits limits;
    if (setup_.maxAnswerBytes > 0) limits.maxMessageBytes = setup_.maxAnswerBytes;
    reader_ = std::make_unique<soap::SoapReader>(limits);
    reader_->setTableNames(setup_.tableNames);
    // Data lines are padded as they are read when the layout came first (as our own server sends
    // it); otherwise once the whole answer is in.
    reader_->setTableHook([this](const std::string& name, const rfc::Table& rows) {
        if (name == "FIELDS") lineWidth_ = dataLineWidth(rows);
    });
    reader_->setRowHook([this](const std::string& name, const std::vector<std::string>& columns, rfc::RowList::Row& row) {
        if (name != "DATA") return;
        if (lineWidth_ <= 0) {
            linesLeftShort_ = true;
            return;
        }
        for (std::size_t c = 0; c < columns.size(); ++c)
            if (columns[c] == "WA") padLine(row[c], static_cast<std::size_t>(lineWidth_));
    });
    connect(post_, &HttpPost::finished, this, &SoapExchange::onFinished);
    post_->start(request_, [this](std::string_view piece) { return takeBody(piece); });
}

// A system that wants another SOAPAction says so in a fault of its own, not as an ABAP exception.
bool SoapExchange::refusedTheAction() const
{
    if (!setup_.soapAction || *setup_.soapAction == FunctionsUrn) return false;
    if (post_->failure() != HttpPost::Failure::None || post_->status() < 400) return false;
    if (unreadableFault_ || reader_->kind() != soap::SoapReader::Kind::Fault || !reader_->fault().name.empty()) return false;
    const QString text = QString::fromStdString(reader_->fault().faultString + ' ' + reader_->fault().text);
    return text.contains(QLatin1String("SOAPAction"), Qt::CaseInsensitive) || text.contains(QLatin1String("invalid action"), Qt::CaseInsensitive);
}

SoapExchange::~SoapExchange()
{
    // Only the end of the program frees an exchange before its answer.
    if (!delivered_ && reply_) reply_->finish({}, tx(TextId::SapNotLoggedOn));
}

void SoapExchange::stop(const QString& why)
{
    if (delivered_) return;
    delivered_ = true;
    // The connection ends without a word to onFinished: the reply hears `why` instead.
    disconnect(post_, nullptr, this, nullptr);
    post_->abort(HttpPost::Failure::Stopped);
    if (reply_) reply_->finishLater({}, why);
    deleteLater();
}

bool SoapExchange::takeBody(std::string_view piece)
{
    // An HTML page of a 401 or 404 tells nothing more than its status.
    if (!carriesSoap(post_->status()) || unreadableFault_) return true;
    if (reader_->feed(piece)) return true;
    // A 500 whose body is no SOAP fault (an ICM error page) is reported by its status.
    if (post_->status() == 500) {
        unreadableFault_ = true;
        return true;
    }
    stoppedBecause_ = QString::fromStdString(reader_->error());
    return false;
}

void SoapExchange::onFinished()
{
    if (setup_.cookies)
        for (const QByteArray& cookie : post_->setCookies()) {
            const qsizetype eq = cookie.indexOf('=');
            if (eq > 0) (*setup_.cookies)[cookie.left(eq)] = cookie.mid(eq + 1);
        }
    if (!stoppedBecause_.isEmpty()) return deliver({}, tx(TextId::SoapMalformed).arg(setup_.systemLabel, stoppedBecause_));
    if (post_->failure() != HttpPost::Failure::None) {
        const HttpPost::Failure failure = post_->failure();
        if (failure == HttpPost::Failure::Timeout || failure == HttpPost::Failure::TooSlow
            || failure == HttpPost::Failure::ConnectionLost)
            markTransient();
        return deliver({}, failureText());
    }

    const int code = post_->status();
    // A server that is overloaded or restarting says so; the same request may pass a moment later.
    if (code == 503) markTransient();
    const bool messageRead = carriesSoap(code) && !unreadableFault_ && reader_->finish();
    if (messageRead && refusedTheAction()) {
        // Once more with the URN; the logon keeps it from now on when it works.
        *setup_.soapAction = FunctionsUrn;
        return send();
    }
    if (code == 401) return deliver({}, tx(TextId::SoapLogonFailed).arg(setup_.systemLabel));
    if (code == 404) return deliver({}, tx(TextId::SoapServiceInactive).arg(setup_.systemLabel));
    const QString statusText = tx(TextId::SoapHttpStatus).arg(setup_.systemLabel, QString::number(code), post_->reason());
    if (!carriesSoap(code)) return deliver({}, statusText);
    if (!messageRead) {
        if (code == 500) return deliver({}, statusText);
        return deliver({}, tx(TextId::SoapMalformed).arg(setup_.systemLabel, QString::fromStdString(reader_->error())));
    }
    if (reader_->kind() == soap::SoapReader::Kind::Fault) return deliver(exceptionResult(reader_->fault()), {});
    if (code != 200) return deliver({}, statusText);
    if (reader_->function() != setup_.function)
        return deliver({}, tx(TextId::SoapMalformed)
                               .arg(setup_.systemLabel, QStringLiteral("the answer belongs to %1, not to %2")
                                                            .arg(QString::fromStdString(reader_->function()),
                                                                 QString::fromStdString(setup_.function))));

    if (!linesLeftShort_) return deliver(reader_->takeResult(), {});
    // Padding copies every data line once: done off the UI thread, so the window stays live.
    auto result = std::make_shared<rfc::FunctionResult>(reader_->takeResult());
    QPointer<SoapExchange> self(this);
    QThreadPool::globalInstance()->start([result, self] {
        padReadTableAnswer(*result);
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, [result, self] {
                if (self) self->deliver(std::move(*result), {});
            }, Qt::QueuedConnection);
    });
}

void SoapExchange::markTransient()
{
    if (reply_) reply_->markTransient();
}

void SoapExchange::deliver(rfc::FunctionResult result, const QString& errorText)
{
    if (delivered_) return;
    delivered_ = true;
    if (reply_) reply_->finish(std::move(result), errorText);
    deleteLater();
}

QString SoapExchange::failureText() const
{
    const QString& label = setup_.systemLabel;
    const QString detail = post_->errorString();
    const QString seconds = QString::number((post_->timeoutMs() + 999) / 1000);
    switch (post_->failure()) {
    case HttpPost::Failure::Refused:
        return tx(TextId::SoapRefused).arg(label, detail);
    case HttpPost::Failure::HostNotFound:
        return tx(TextId::SoapHostNotFound).arg(label, detail);
    case HttpPost::Failure::Timeout:
        return tx(post_->status() > 0 ? TextId::SoapStalled : TextId::SoapTimeout).arg(label, seconds);
    case HttpPost::Failure::TooSlow:
        return tx(TextId::SoapTooSlow).arg(label, seconds);
    case HttpPost::Failure::CallLimit:
        return tx(TextId::SoapCallLimit).arg(label, seconds);
    case HttpPost::Failure::TlsRefused:
        return tx(TextId::SoapTlsRefused).arg(label, detail);
    case HttpPost::Failure::TlsFiles:
        return tx(TextId::SoapTlsFiles).arg(label, detail);
    case HttpPost::Failure::Proxy:
        return tx(TextId::SoapProxyFailed).arg(label, detail);
    case HttpPost::Failure::Tls:
        return tx(TextId::SoapTlsFailed).arg(label, post_->tlsErrors().isEmpty() ? detail : post_->tlsErrors().join(QStringLiteral("; ")));
    case HttpPost::Failure::ConnectionLost:
        return tx(TextId::SoapConnectionLost).arg(label, detail);
    case HttpPost::Failure::Malformed:
        return tx(TextId::SoapMalformed).arg(label, detail);
    default:
        return tx(TextId::SoapNetworkError).arg(label, detail);
    }
}

} // namespace qvor
