#include "sap/SapConnection.h"

#include "sap/BapiComponent.h"
#include "sap/ComponentFactory.h"
#include "sap/FunctionsComponent.h"
#include "util/ExternalPrograms.h"
#include "util/StatusPanels.h"
#include "util/UiServices.h"
#include "util/UiTexts.h"

#include <QMetaObject>
#include <QTimer>
#include <exception>

namespace qvor {
namespace {

QString& searchRoot()
{
    // Where SAP GUI for Java installs; stands in for the "c:\" of the Windows program.
    static QString root = QStringLiteral("/opt");
    return root;
}

// SAP GUI for Java's logon program, the counterpart of saplogon.exe.
const QString kSapLogonProgram = QStringLiteral("guilogon");

} // namespace

SapConnection& SapConnection::instance()
{
    static SapConnection connection;
    return connection;
}

SapConnection::SapConnection() : factory_(std::make_shared<ComponentFactory>()) {}

SapConnection::~SapConnection() = default;

void SapConnection::setComponentFactory(std::shared_ptr<ComponentFactory> factory)
{
    factory_ = factory ? std::move(factory) : std::make_shared<ComponentFactory>();
}

ComponentFactory& SapConnection::componentFactory() { return *factory_; }

QString SapConnection::reinstallSearchRoot() { return searchRoot(); }
void SapConnection::setReinstallSearchRoot(const QString& root) { searchRoot() = root; }

void SapConnection::setConnected(bool connected)
{
    const bool changed = connected_ != connected;
    connected_ = connected;
    if (changed) Q_EMIT connectedChanged(connected);
}

void SapConnection::Connect()
{
    try {
        // An empty logon language sends the user back to the logon dialog until one is given
        // or the dialog is cancelled.
        for (;;) {
            setConnected(false);
            if (!CheckComponents()) return;
            if (!LogonDialog()) return;
            if (!LogonFunctions()) return;
            const QString language = bapi_->Connection().Language();
            if (language.isEmpty() || language.front() == QLatin1Char(' ')) {
                ui().message(tx(TextId::SapEnterLanguage));
                Logoff();
                continue;
            }
            showConnectedState();
            setConnected(true);
            return;
        }
    } catch (const std::exception&) {
        setConnected(false);
        ui().message(tx(TextId::SapWdtlogMissing));
        AdviseReinstall();
    }
}

bool SapConnection::CheckComponents()
{
    QString missing;
    try {
        if (!bapi_) {
            bapi_ = factory_->createBapi();
            if (!bapi_) missing = ComponentFactory::bapiName();
        }
        if (missing.isEmpty() && !functions_) {
            functions_ = factory_->createFunctions();
            if (!functions_) missing = ComponentFactory::functionsName();
        }
    } catch (const std::exception&) {
        missing = bapi_ ? ComponentFactory::functionsName() : ComponentFactory::bapiName();
    }
    if (missing.isEmpty()) return true;
    ui().message(tx(TextId::SapComponentMissing).arg(missing));
    AdviseReinstall();
    return false;
}

bool SapConnection::LogonDialog()
{
    RfcConnection& c = bapi_->Connection();
    if (c.IsConnected() != 1) {
        if (c.Logon(0, false)) return true;
        panels().setMessage(QString());
        panels().setConnection(ConnectionPicture::Disconnected, tx(TextId::SapDisconnectedPanel), panels().connectionToolTip());
        return false;
    }
    ui().message(tx(TextId::SapAlreadyConnected)
                     .arg(c.User(), c.SystemID(), c.System(), c.client(), c.Language(), c.SystemNumber(),
                          c.HostName(), c.saprelease()),
                 MsgButtons::Ok, MsgIcon::Information);
    return true;
}

bool SapConnection::LogonFunctions()
{
    try {
        RfcConnection& f = functions_->Connection();
        if (f.IsConnected() == 1) return true;
        const RfcConnection& b = bapi_->Connection();
        f.setUser(b.User());
        f.setSystem(b.System());
        f.setClient(b.client());
        f.setLanguage(b.Language());
        f.setSystemID(b.SystemID());
        f.setSystemNumber(b.SystemNumber());
        f.setHostName(b.HostName());
        f.setPassword(b.Password());
        f.setUseDefaultSystem(true);
        // No keystroke to queue: this connection logs on with the copied values, without a dialog.
        if (f.Logon(0, false)) return true;
        ui().message(tx(TextId::SapFunctionsLogonFailed));
        Disconnect();
        return false;
    } catch (const std::exception&) {
        Disconnect();
        ui().message(tx(TextId::SapWdtlogMissing));
        AdviseReinstall();
        return false;
    }
}

std::unique_ptr<FunctionsComponent> SapConnection::openSession(QString* error)
{
    if (!connected_ || !bapi_) {
        if (error) *error = tx(TextId::SapNotLoggedOn);
        return nullptr;
    }
    std::unique_ptr<FunctionsComponent> session = factory_->createFunctions();
    if (!session) {
        if (error) *error = tx(TextId::SapComponentMissing).arg(ComponentFactory::functionsName());
        return nullptr;
    }
    const RfcConnection& b = bapi_->Connection();
    const QString refusal = session->Connection().tryLogon({b.SystemID(), b.client(), b.User(), b.Password(), b.Language()});
    if (!refusal.isEmpty()) {
        if (error) *error = refusal;
        return nullptr;
    }
    return session;
}

void SapConnection::Logoff()
{
    // Calls on their way end first: their callers hear that they were cancelled.
    if (functions_) functions_->cancelCalls();
    try {
        if (bapi_ && bapi_->Connection().IsConnected() == 1) bapi_->Connection().Logoff();
    } catch (const std::exception&) {
    }
    try {
        if (functions_ && functions_->Connection().IsConnected() == 1) functions_->Connection().Logoff();
    } catch (const std::exception&) {
    }
    setConnected(false);
    panels().setConnection(ConnectionPicture::Disconnected, tx(TextId::SapDisconnectedPanel),
                           tx(TextId::SapNotConnectedTip).arg(UserName()));
}

void SapConnection::release()
{
    if (bapi_) retiredBapi_.push_back(std::move(bapi_));
    if (functions_) retiredFunctions_.push_back(std::move(functions_));
    QMetaObject::invokeMethod(this, [this] { deleteRetired(); }, Qt::QueuedConnection);
}

void SapConnection::deleteRetired()
{
    retiredBapi_.clear();
    // A call cancelled by the Disconnect ends once its reply is delivered; its caller then still
    // uses its function object, which lives in the component.
    std::erase_if(retiredFunctions_, [](const auto& f) { return !f->callsInFlight(); });
    if (!retiredFunctions_.empty()) QTimer::singleShot(20, this, [this] { deleteRetired(); });
}

void SapConnection::Disconnect()
{
    Logoff();
    release();
}

void SapConnection::closeTimeLogoff()
{
    try {
        if (connected_ && bapi_) bapi_->Connection().Logoff();
    } catch (const std::exception&) {
    }
    setConnected(false);
    if (functions_) functions_->cancelCalls();
    // The program ends right after this: nothing is left to use the components.
    bapi_.reset();
    functions_.reset();
    retiredBapi_.clear();
    retiredFunctions_.clear();
}

void SapConnection::SAPSystemInformation()
{
    QString error;
    try {
        if (!connected_) Connect();
        if (!connected_) return;
        if (bapi_->Connection().SystemInformation(&error)) return;
    } catch (const std::exception& e) {
        error = QString::fromLocal8Bit(e.what());
    }
    ui().message(tx(TextId::SapSystemInfoError).arg(error));
    Disconnect();
}

void SapConnection::AdviseReinstall()
{
    QString found;
    {
        WaitPointer wait;
        found = FindFileInTree(searchRoot(), kSapLogonProgram);
    }
    ui().message(found.isEmpty() ? tx(TextId::SapReinstallProgram) : tx(TextId::SapReinstallSapGui), MsgButtons::Ok,
                 MsgIcon::Information);
}

void SapConnection::showConnectedState()
{
    const RfcConnection& c = bapi_->Connection();
    const QString text = c.System() + QLatin1Char(' ') + c.client() + QLatin1Char(' ') + c.User() + QLatin1Char(' ');
    QString tip = c.User() + QLatin1Char(' ') + c.System() + QLatin1Char(' ') + c.client() + QLatin1Char(' ')
                      + c.Language() + QStringLiteral(" SN") + c.SystemNumber() + QLatin1Char(' ') + c.HostName();
    // A system reached over the network also says where and whether its certificate is checked.
    if (const RfcTransport* transport = c.transport(); transport && !transport->connectionNote().isEmpty())
        tip += QLatin1Char('\n') + transport->connectionNote();
    panels().setConnection(ConnectionPicture::Connected, text, tip);
}

} // namespace qvor
