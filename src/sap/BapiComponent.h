#pragma once
// The BAPI component: its connection carries the interactive logon (the logon prompt), the status
// values that the program shows and the system-information display.
#include "sap/RfcConnection.h"

namespace qvor {

class BapiComponent {
public:
    explicit BapiComponent(TransportMaker makeTransport)
        : connection_(RfcConnection::LogonMode::Prompt, std::move(makeTransport)) {}

    RfcConnection& Connection() { return connection_; }

private:
    RfcConnection connection_;
};

} // namespace qvor
