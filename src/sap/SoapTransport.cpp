#include "sap/SoapTransport.h"

#include "sap/RfcReply.h"
#include "sap/SoapExchange.h"
#include "sap/SoapWriter.h"
#include "util/UiTexts.h"

#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QSslSocket>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QUrlQuery>

namespace qvor {
namespace {

constexpr auto ServicePath = "/sap/bc/soap/rfc";

int configuredTimeoutMs()
{
    const int seconds = qEnvironmentVariableIntValue("QVOR_SOAP_TIMEOUT");
    return (seconds > 0 ? seconds : 600) * 1000;
}

quint64 configuredMaxAnswerBytes()
{
    const int megabytes = qEnvironmentVariableIntValue("QVOR_SOAP_MAX_ANSWER_MB");
    return quint64(megabytes > 0 ? megabytes : 8192) << 20;
}

// Finishes a reply once control is back in the event loop, as a real request would.
RfcReply* finishedLater(const QString& errorText)
{
    auto* reply = new RfcReply;
    QMetaObject::invokeMethod(reply, [reply, errorText] { reply->finish({}, errorText); }, Qt::QueuedConnection);
    return reply;
}

} // namespace

SoapTransport::SoapTransport(SystemEntry entry)
    : entry_(std::move(entry)), timeoutMs_(configuredTimeoutMs()), maxAnswerBytes_(configuredMaxAnswerBytes())
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
    // A fresh manager: its cookie jar holds this logon's session cookie and nothing else.
    network_ = std::make_unique<QNetworkAccessManager>();
    network_->setCookieJar(new QNetworkCookieJar(network_.get()));
    network_->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    loggedOn_ = true;
    return finishedLater({});
}

RfcReply* SoapTransport::call(const rfc::FunctionCall& call)
{
    if (!loggedOn_) {
        auto* reply = new RfcReply;
        rfc::FunctionResult r;
        r.exception = "RFC_NOT_LOGGED_ON";
        QMetaObject::invokeMethod(reply, [reply, r] { reply->finish(r); }, Qt::QueuedConnection);
        return reply;
    }
    QNetworkRequest request(url_);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("text/xml; charset=utf-8"));
    request.setRawHeader("SOAPAction", "\"\"");
    request.setRawHeader("Authorization",
                         "Basic " + (values_.user + QLatin1Char(':') + values_.password).toUtf8().toBase64());
    request.setTransferTimeout(timeoutMs_);
    if (!entry_.verifyTls && url_.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0) {
        QSslConfiguration tls = request.sslConfiguration();
        tls.setPeerVerifyMode(QSslSocket::VerifyNone);
        request.setSslConfiguration(tls);
    }

    const std::string body = soap::requestMessage(call);
    auto* reply = new RfcReply;
    SoapExchange::Setup setup;
    setup.systemLabel = systemLabel();
    setup.function = call.name;
    for (const auto& [name, table] : call.tables) setup.tableNames.insert(name);
    setup.timeoutMs = timeoutMs_;
    setup.maxAnswerBytes = maxAnswerBytes_;
    QNetworkReply* network = network_->post(request, QByteArray(body.data(), static_cast<qsizetype>(body.size())));
    new SoapExchange(network, reply, std::move(setup));
    return reply;
}

void SoapTransport::logoff()
{
    loggedOn_ = false;
    values_.password.fill(QLatin1Char(' '));
    values_ = {};
    if (!network_) return;
    // Calls still on their way end now; their callers hear that the logon is gone.
    const auto pending = network_->findChildren<QNetworkReply*>();
    for (QNetworkReply* r : pending) {
        r->setProperty(SoapExchange::LoggedOffProperty, true);
        r->abort();
    }
    network_.release()->deleteLater();
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
