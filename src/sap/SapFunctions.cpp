#include "sap/SapFunctions.h"

#include "sap/RfcReply.h"

#include <algorithm>

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
        rfc::FunctionResult r;
        r.exception = "RFC_NOT_LOGGED_ON";
        reply->finishLater(std::move(r));
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
    // A function whose call has ended may still be read by the caller that ended it (a handler
    // that reports its exception); it is only freed here, by the next caller's RemoveAll.
    std::erase_if(dropped_, [](const auto& f) { return !f->callInFlight(); });
    for (auto& f : functions_)
        if (f->callInFlight()) dropped_.push_back(std::move(f));
    functions_.clear();
}

bool SapFunctions::callsInFlight() const
{
    const auto inFlight = [](const auto& f) { return f->callInFlight(); };
    return std::any_of(functions_.begin(), functions_.end(), inFlight)
        || std::any_of(dropped_.begin(), dropped_.end(), inFlight);
}

void SapFunctions::cancelCalls()
{
    for (auto& f : functions_) f->cancelCall();
    for (auto& f : dropped_) f->cancelCall();
}

RfcFunction* SapFunctions::Add(const QString& functionName)
{
    functions_.push_back(std::make_unique<RfcFunction>(functionName, current_.get()));
    return functions_.back().get();
}

} // namespace qvor
