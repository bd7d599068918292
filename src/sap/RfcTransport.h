#pragma once
// How the components reach one SAP system: log on, run one remote function, log off. Requests never
// block the UI thread: each gives a reply that finishes later on the thread that asked.
#include "rfc/RfcData.h"

#include <QString>

namespace qvor {

class RfcReply;

// What the user gave in the logon dialog (or what the function component copied).
struct LogonValues {
    QString systemEntry;   // the system entry's name, "DEMO" for the embedded demo system
    QString client;
    QString user;
    QString password;      // memory only
    QString language;
};

class RfcTransport {
public:
    virtual ~RfcTransport() = default;

    // The reply's errorText() is empty when logged on, otherwise the reason the system refused.
    // The caller owns the reply.
    virtual RfcReply* logon(const LogonValues& values) = 0;
    // One remote function with the rights of the logged-on user; the caller owns the reply.
    virtual RfcReply* call(const rfc::FunctionCall& call) = 0;
    virtual void logoff() = 0;
    virtual bool loggedOn() const = 0;
    // What the connection panel's tool tip adds about how the system is reached; empty when nothing.
    virtual QString connectionNote() const { return {}; }
};

} // namespace qvor
