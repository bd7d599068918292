#include "sap/SapFunctions.h"

#include "sap/RfcReply.h"

#include <QMetaObject>

namespace qvor {

class SapFunctions::CurrentTransport final : public RfcTransport {
public:
    explicit CurrentTransport(RfcConnection& connection) : connection_(connection) {}

    RfcReply* logon(const LogonValues& values) override
    {
        if (RfcTransport* t = connection_.transport()) return t->logon(values);
        return notLoggedOn();
    }
    RfcReply* call(const rfc::FunctionCall& call) override
    {
        if (RfcTransport* t = connection_.transport(); t && t->loggedOn()) return t->call(call);
        return notLoggedOn();
    }
    void logoff() override { connection_.Logoff(); }
    bool loggedOn() const override { return connection_.IsConnected() == 1; }

private:
    // Finished later, like every reply, so a caller that connects to finished() sees it.
    static RfcReply* notLoggedOn()
    {
        auto* reply = new RfcReply;
        QMetaObject::invokeMethod(reply, [reply] {
            rfc::FunctionResult r;
            r.exception = "RFC_NOT_LOGGED_ON";
            reply->finish(std::move(r));
        }, Qt::QueuedConnection);
        return reply;
    }
    RfcConnection& connection_;
};

SapFunctions::SapFunctions(TransportMaker makeTransport)
    : connection_(RfcConnection::LogonMode::UseValues, std::move(makeTransport)),
      current_(std::make_unique<CurrentTransport>(connection_))
{
}

SapFunctions::~SapFunctions() = default;

void SapFunctions::RemoveAll()
{
    if (RfcFunction::callsWaiting() > 0) {
        for (auto& f : functions_) dropped_.push_back(std::move(f));
        functions_.clear();
        return;
    }
    dropped_.clear();
    functions_.clear();
}

RfcFunction* SapFunctions::Add(const QString& functionName)
{
    functions_.push_back(std::make_unique<RfcFunction>(functionName, current_.get()));
    return functions_.back().get();
}

} // namespace qvor
