#pragma once
// The embedded demo SAP system as a transport. The demo system lives once per process and is opened
// on first use (generated first when its database file does not exist yet); every request runs on
// one worker thread and its reply is delivered on the thread that asked.
#include "sap/RfcTransport.h"

#include <memory>
#include <string>

namespace demo { class DemoSystem; }

namespace qvor {

class EmbeddedTransport final : public RfcTransport {
public:
    EmbeddedTransport();
    ~EmbeddedTransport() override;

    RfcReply* logon(const LogonValues& values) override;
    RfcReply* call(const rfc::FunctionCall& call) override;
    void logoff() override;
    bool loggedOn() const override;

    // The system entry of the demo system in the logon dialog.
    static QString systemEntryName();

    // Tests: an in-memory database of the given scale instead of the per-user file. Also chosen by
    // the environment variable QVOR_DEMO_DATABASE=":memory:" (any other value names the file).
    // QVOR_DEMO_RELEASE=modern makes RFC_READ_TABLE answer as newer SAP releases do.
    static void useInMemoryDemoForTests(int scale = 1);
    // The process-wide demo system, opened now when it is not open yet; null with the reason on failure.
    // Tests use it for the demo system's fault hooks.
    static demo::DemoSystem* sharedDemoSystem(std::string* error);
    // Tests: every `every`-th RFC_READ_TABLE of each connection, and every one from the `from`-th
    // of the process on, fails as if the connection had been lost (0: never). Resets the count.
    static void loseReadsForTests(int every, int from = 0);

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace qvor
