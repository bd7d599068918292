#include "sap/SoapTransport.h"

#include "sap/HttpConnections.h"
#include "sap/RfcReply.h"
#include "sap/SoapExchange.h"
#include "sap/SoapWriter.h"
#include "util/UiTexts.h"

#include <QUrlQuery>
#include <algorithm>

namespace qvor {
namespace {

constexpr auto ServicePath = "/sap/bc/soap/rfc";

int configuredTimeoutMs()
{
    // Clamped so that no value overflows once counted in milliseconds.
    const int seconds = std::min(qEnvironmentVariableIntValue("QVOR_SOAP_TIMEOUT"), 2000000);
    return (seconds > 0 ? seconds : 600) * 1000;
}

qint64 configuredCallLimitMs()
{
    const qint64 seconds = std::min<qint64>(qEnvironmentVariable("QVOR_SOAP_CALL_LIMIT").toLongLong(), 1LL << 40);
    return (seconds > 0 ? seconds : 4 * 3600) * 1000;
}

quint64 configuredMaxAnswerBytes()
{
    const int megabytes = qEnvironmentVariableIntValue("QVOR_SOAP_MAX_ANSWER_MB");
    return quint64(megabytes > 0 ? megabytes : 8192) << 20;
}

// Finishes a reply once control is back in the event loop, as a real request would.
RfcReply* finishedLater(const QString& errorText, rfc::FunctionResult result = {})
{
    auto* reply = new RfcReply;
    reply->finishLater(std::move(result), errorText);
    return reply;
}

} // namespace

SoapTransport::SoapTransport(SystemEntry entry)
    : entry_(std::move(entry)), timeoutMs_(configuredTimeoutMs()), callLimitMs_(configuredCallLimitMs()),
      maxAnswerBytes_(configuredMaxAnswerBytes())
{
}

SoapTransport::~SoapTransport() { logoff(); }

QUrl SoapTransport::serviceUrl(const QString& address, const QString& client, const QString& language, QString* error)
{
    QUrl url(address.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) || url.host().isEmpty()) {
        if (error) *error = tx(TextId::SystemEntryAddressInvalid);
        return {};
    }
    if (url.path().isEmpty() || url.path() == QLatin1String("/")) url.setPath(QLatin1String(ServicePath));
    QUrlQuery query(url);
    query.removeAllQueryItems(QStringLiteral("sap-client"));
    query.removeAllQueryItems(QStringLiteral("sap-language"));
    if (!client.trimmed().isEmpty()) query.addQueryItem(QStringLiteral("sap-client"), client.trimmed());
    if (!language.trimmed().isEmpty()) query.addQueryItem(QStringLiteral("sap-language"), language.trimmed());
    url.setQuery(query);
    return url;
}

QString SoapTransport::systemLabel() const
{
    const QString host = QUrl(entry_.address.trimmed()).host();
    return host.isEmpty() || entry_.name.contains(host, Qt::CaseInsensitive) ? entry_.name : entry_.name + QStringLiteral(" (") + host + QLatin1Char(')');
}

RfcReply* SoapTransport::logon(const LogonValues& values)
{
    logoff();
    QString error;
    url_ = serviceUrl(entry_.address, values.client, values.language, &error);
    if (!url_.isValid()) return finishedLater(tx(TextId::SoapAddressInvalid).arg(systemLabel(), error));
    values_ = values;
    // Fresh cookies: the session the system opens on the first call serves this logon only.
    cookies_ = std::make_shared<std::map<QByteArray, QByteArray>>();
    connections_ = HttpConnections::create();
    soapAction_ = std::make_shared<QByteArray>("\"\"");
    loggedOn_ = true;
    return finishedLater({});
}

RfcReply* SoapTransport::call(const rfc::FunctionCall& call)
{
    if (!loggedOn_) {
        rfc::FunctionResult r;
        r.exception = "RFC_NOT_LOGGED_ON";
        return finishedLater({}, std::move(r));
    }
    HttpPost::Request request;
    request.url = url_;
    const std::string body = soap::requestMessage(call);
    request.body = QByteArray(body.data(), static_cast<qsizetype>(body.size()));
    request.headers = {{"Content-Type", "text/xml; charset=utf-8"},
                       {"Authorization", "Basic " + (values_.user + QLatin1Char(':') + values_.password).toUtf8().toBase64()}};
    request.verifyTls = entry_.verifyTls;
    request.caFile = entry_.caFile;
    request.clientCertificate = entry_.clientCertificate;
    request.clientKey = entry_.clientKey;
    request.proxy = entry_.proxy;
    request.connectTimeoutMs = connectTimeoutMs_;
    request.callLimitMs = callLimitMs_;

    auto* reply = new RfcReply;
    SoapExchange::Setup setup;
    setup.systemLabel = systemLabel();
    setup.function = call.name;
    for (const auto& [name, table] : call.tables) setup.tableNames.insert(name);
    setup.timeoutMs = timeoutMs_;
    setup.maxAnswerBytes = maxAnswerBytes_;
    setup.cookies = cookies_;
    setup.connections = connections_;
    setup.soapAction = soapAction_;
    std::erase_if(calls_, [](const QPointer<SoapExchange>& e) { return e.isNull(); });
    calls_.emplace_back(SoapExchange::start(std::move(request), reply, std::move(setup)));
    return reply;
}

void SoapTransport::logoff()
{
    loggedOn_ = false;
    values_.password.fill(QLatin1Char(' '));
    values_ = {};
    // Calls still on their way end now; their callers hear that the logon is gone once control is
    // back in the event loop. Their exchanges free themselves: this may run inside one of them.
    std::vector<QPointer<SoapExchange>> calls;
    calls.swap(calls_);
    for (const QPointer<SoapExchange>& e : calls)
        if (e) e->stop(tx(TextId::SapNotLoggedOn));
    cookies_.reset();
    connections_.reset();
}

bool SoapTransport::loggedOn() const { return loggedOn_; }

QString SoapTransport::connectionNote() const
{
    const bool tls = url_.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    QString note = url_.toString(QUrl::RemoveQuery | QUrl::RemoveUserInfo);
    if (tls) note += QLatin1Char('\n') + tx(entry_.verifyTls ? TextId::SoapTlsVerified : TextId::SoapTlsNotVerified);
    return note;
}

} // namespace qvor
