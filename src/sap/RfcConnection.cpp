#include "sap/RfcConnection.h"

#include "sap/RfcReply.h"
#include "util/UiServices.h"
#include "util/UiTexts.h"

#include <exception>

namespace qvor {
namespace {

QString trimmed(const rfc::Structure& s, const char* name)
{
    const auto it = s.find(name);
    return it == s.end() ? QString() : QString::fromStdString(it->second).trimmed();
}

} // namespace

RfcConnection::RfcConnection(LogonMode mode, TransportMaker makeTransport)
    : mode_(mode), makeTransport_(std::move(makeTransport))
{
}

RfcConnection::~RfcConnection() = default;

int RfcConnection::IsConnected() const
{
    return transport_ && transport_->loggedOn() ? 1 : 0;
}

bool RfcConnection::Logon(qintptr /*windowHandle*/, bool /*silent*/)
{
    if (mode_ == LogonMode::Prompt)
        return ui().logonPrompt([this](const LogonEntry& e) {
            // Nothing may escape into the dialog's event loop: a failure is one more refusal.
            try {
                return tryLogon({e.systemName, e.client, e.user, e.password, e.language});
            } catch (const std::exception& ex) {
                return QString::fromLocal8Bit(ex.what());
            }
        });
    return tryLogon({systemId_, client_, user_, password_, language_}).isEmpty();
}

QString RfcConnection::tryLogon(const LogonValues& values)
{
    QString error;
    std::unique_ptr<RfcTransport> transport = makeTransport_ ? makeTransport_(values.systemEntry, &error) : nullptr;
    if (!transport) return error.isEmpty() ? tx(TextId::SapUnknownSystem).arg(values.systemEntry) : error;

    std::unique_ptr<RfcReply> reply(transport->logon(values));
    reply->waitForFinished();
    if (!reply->errorText().isEmpty()) return reply->errorText();

    rfc::Structure rfcsi;
    if (!readSystemValues(*transport, &rfcsi, &error)) {
        transport->logoff();
        return error;
    }
    if (transport_) transport_->logoff();
    transport_ = std::move(transport);

    systemId_ = values.systemEntry;
    client_ = values.client;
    user_ = values.user;
    password_ = values.password;
    language_ = values.language;
    system_ = trimmed(rfcsi, "RFCSYSID");
    const QString dest = trimmed(rfcsi, "RFCDEST");
    systemNumber_ = dest.mid(dest.lastIndexOf(QLatin1Char('_')) + 1);
    hostName_ = trimmed(rfcsi, "RFCHOST2");
    if (hostName_.isEmpty()) hostName_ = trimmed(rfcsi, "RFCHOST");
    saprelease_ = trimmed(rfcsi, "RFCSAPRL");
    return {};
}

bool RfcConnection::readSystemValues(RfcTransport& transport, rfc::Structure* rfcsi, QString* error)
{
    rfc::FunctionCall call;
    call.name = "RFC_SYSTEM_INFO";
    std::unique_ptr<RfcReply> reply(transport.call(call));
    reply->waitForFinished();
    if (!reply->errorText().isEmpty()) {
        *error = reply->errorText();
        return false;
    }
    rfc::FunctionResult result = reply->takeResult();
    if (!result.ok()) {
        *error = QString::fromStdString(result.exception);
        return false;
    }
    *rfcsi = std::move(result.structures["RFCSI_EXPORT"]);
    return true;
}

void RfcConnection::Logoff()
{
    if (!transport_) return;
    transport_->logoff();
    transport_.reset();
}

bool RfcConnection::systemInformationText(QString* text, QString* error)
{
    if (!transport_ || !transport_->loggedOn()) {
        *error = tx(TextId::SapNotLoggedOn);
        return false;
    }
    rfc::Structure rfcsi;
    if (!readSystemValues(*transport_, &rfcsi, error)) return false;
    const QString dest = trimmed(rfcsi, "RFCDEST");
    QString host = trimmed(rfcsi, "RFCHOST2");
    if (host.isEmpty()) host = trimmed(rfcsi, "RFCHOST");
    *text = tx(TextId::SapSystemInfo)
                .arg(systemId_, trimmed(rfcsi, "RFCSYSID"), client_, user_, language_,
                     dest.mid(dest.lastIndexOf(QLatin1Char('_')) + 1), host, trimmed(rfcsi, "RFCSAPRL"),
                     trimmed(rfcsi, "RFCKERNRL"))
                .arg(trimmed(rfcsi, "RFCDBSYS"), trimmed(rfcsi, "RFCOPSYS"), dest);
    return true;
}

bool RfcConnection::SystemInformation(QString* error)
{
    QString text;
    if (!systemInformationText(&text, error)) return false;
    ui().message(text, MsgButtons::Ok, MsgIcon::Information);
    return true;
}

} // namespace qvor
