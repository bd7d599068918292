#include "sap/SoapExchange.h"

#include "sap/DataLinePadding.h"
#include "sap/RfcReply.h"
#include "sap/SoapReader.h"
#include "util/UiTexts.h"

#include <QCoreApplication>
#include <QNetworkReply>
#include <QSslError>
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

} // namespace

SoapExchange::SoapExchange(QNetworkReply* network, RfcReply* reply, Setup setup)
    : network_(network), reply_(reply), setup_(std::move(setup))
{
    // The exchange lives as long as the request: the manager going away (a log-off) ends both.
    connect(network_, &QObject::destroyed, this, [this] { deliver({}, tx(TextId::SapNotLoggedOn)); });
    // Bytes wait in Qt's buffer only until the next read: memory follows the rows, not the answer.
    network_->setReadBufferSize(4 << 20);
    soap::ReaderLimits limits;
    if (setup_.maxAnswerBytes > 0) limits.maxMessageBytes = setup_.maxAnswerBytes;
    reader_ = std::make_unique<soap::SoapReader>(limits);
    reader_->setTableNames(setup_.tableNames);
    connect(network_, &QIODevice::readyRead, this, &SoapExchange::onReadyRead);
    connect(network_, &QNetworkReply::finished, this, &SoapExchange::onFinished);
    connect(network_, &QNetworkReply::sslErrors, this, [this](const QList<QSslError>& errors) {
        for (const QSslError& e : errors) tlsErrors_ << e.errorString();
    });
}

SoapExchange::~SoapExchange() = default;

int SoapExchange::status() const
{
    if (!network_) return 0;
    return network_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

void SoapExchange::onReadyRead()
{
    if (!stoppedBecause_.isEmpty()) return;
    const QByteArray bytes = network_->readAll();
    // An HTML page of a 401 or 404 tells nothing more than its status.
    if (!carriesSoap(status()) || unreadableFault_) return;
    if (reader_->feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())))) return;
    // A 500 whose body is no SOAP fault (an ICM error page) is reported by its status.
    if (status() == 500) unreadableFault_ = true;
    else stop(QString::fromStdString(reader_->error()));
}

void SoapExchange::stop(const QString& why)
{
    stoppedBecause_ = why;
    network_->abort();   // finished() follows, which reports it
}

void SoapExchange::onFinished()
{
    if (!reply_) {
        network_->deleteLater();
        deleteLater();
        return;
    }
    if (network_->property(LoggedOffProperty).toBool()) return deliver({}, tx(TextId::SapNotLoggedOn));
    if (!stoppedBecause_.isEmpty()) return deliver({}, tx(TextId::SoapMalformed).arg(setup_.systemLabel, stoppedBecause_));

    const QNetworkReply::NetworkError error = network_->error();
    // Below 200 the network failed; from 200 on the server answered with an HTTP status.
    if (error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied)
        return deliver({}, networkErrorText());

    const int code = status();
    if (code == 401) return deliver({}, tx(TextId::SoapLogonFailed).arg(setup_.systemLabel));
    if (code == 404) return deliver({}, tx(TextId::SoapServiceInactive).arg(setup_.systemLabel));
    const QString statusText = tx(TextId::SoapHttpStatus)
                                   .arg(setup_.systemLabel, QString::number(code),
                                        network_->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    if (!carriesSoap(code)) return deliver({}, statusText);

    onReadyRead();
    if (!stoppedBecause_.isEmpty()) return deliver({}, tx(TextId::SoapMalformed).arg(setup_.systemLabel, stoppedBecause_));
    if (unreadableFault_ || !reader_->finish()) {
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

void SoapExchange::deliver(rfc::FunctionResult result, const QString& errorText)
{
    if (delivered_) return;
    delivered_ = true;
    if (network_) {
        network_->disconnect(this);
        network_->deleteLater();
    }
    if (reply_) reply_->finish(std::move(result), errorText);
    deleteLater();
}

QString SoapExchange::networkErrorText() const
{
    if (!network_) return tx(TextId::SapNotLoggedOn);
    const QString detail = network_->errorString();
    switch (network_->error()) {
    case QNetworkReply::ConnectionRefusedError:
        return tx(TextId::SoapRefused).arg(setup_.systemLabel, detail);
    case QNetworkReply::HostNotFoundError:
        return tx(TextId::SoapHostNotFound).arg(setup_.systemLabel, detail);
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError:   // the transfer time-out cancels the request
        return tx(TextId::SoapTimeout).arg(setup_.systemLabel, QString::number((setup_.timeoutMs + 999) / 1000));
    case QNetworkReply::SslHandshakeFailedError:
        return tx(TextId::SoapTlsFailed).arg(setup_.systemLabel, tlsErrors_.isEmpty() ? detail : tlsErrors_.join(QStringLiteral("; ")));
    case QNetworkReply::RemoteHostClosedError:
        return tx(TextId::SoapConnectionLost).arg(setup_.systemLabel, detail);
    default:
        return tx(TextId::SoapNetworkError).arg(setup_.systemLabel, detail);
    }
}

} // namespace qvor
