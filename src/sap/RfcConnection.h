#pragma once
// The Connection object of both components: the values of the current logon and the members
// the program drives (IsConnected, Logon, Logoff, SystemInformation). Beneath it a transport
// carries the traffic to the chosen system.
#include "sap/RfcTransport.h"

#include <QString>
#include <functional>
#include <memory>

namespace qvor {

// Gives the transport for a system entry, or null with the reason as a user reads it.
using TransportMaker = std::function<std::unique_ptr<RfcTransport>(const QString& systemEntry, QString* error)>;

class RfcConnection {
public:
    enum class LogonMode {
        Prompt,      // Logon asks the user through the logon prompt (the BAPI component)
        UseValues    // Logon uses the values set beforehand, without a dialog (the function component)
    };

    RfcConnection(LogonMode mode, TransportMaker makeTransport);
    ~RfcConnection();

    // 1 means logged on, 0 not.
    int IsConnected() const;
    // The window handle is accepted for the callers' sake; the prompt has no owner window here.
    bool Logon(qintptr windowHandle, bool silent);
    void Logoff();

    // The system's own values; false with the failure's description when they cannot be read.
    // Shown through the message box with the information icon.
    bool SystemInformation(QString* error);
    // The same values as text lines, for the display above and for tests.
    bool systemInformationText(QString* text, QString* error);

    const QString& User() const { return user_; }
    const QString& System() const { return system_; }
    const QString& client() const { return client_; }
    const QString& Language() const { return language_; }
    const QString& SystemID() const { return systemId_; }
    const QString& SystemNumber() const { return systemNumber_; }
    const QString& HostName() const { return hostName_; }
    const QString& Password() const { return password_; }
    const QString& saprelease() const { return saprelease_; }
    bool UseDefaultSystem() const { return useDefaultSystem_; }

    void setUser(const QString& v) { user_ = v; }
    void setSystem(const QString& v) { system_ = v; }
    void setClient(const QString& v) { client_ = v; }
    void setLanguage(const QString& v) { language_ = v; }
    void setSystemID(const QString& v) { systemId_ = v; }
    void setSystemNumber(const QString& v) { systemNumber_ = v; }
    void setHostName(const QString& v) { hostName_ = v; }
    void setPassword(const QString& v) { password_ = v; }
    void setUseDefaultSystem(bool v) { useDefaultSystem_ = v; }

    // The transport of the current logon, or null.
    RfcTransport* transport() const { return transport_.get(); }

    // One logon try with the given values: empty when logged on, else the reason.
    QString tryLogon(const LogonValues& values);

private:
    bool readSystemValues(RfcTransport& transport, rfc::Structure* rfcsi, QString* error);

    LogonMode mode_;
    TransportMaker makeTransport_;
    std::unique_ptr<RfcTransport> transport_;
    QString user_, system_, client_, language_, systemId_, systemNumber_, hostName_, password_, saprelease_;
    bool useDefaultSystem_ = false;
};

} // namespace qvor
