#pragma once
// The function component as the program uses it: a silent connection (it logs on with values copied
// from the BAPI component) and the function objects added since the last RemoveAll.
#include "sap/FunctionsComponent.h"
#include "sap/RfcConnection.h"

#include <vector>

namespace qvor {

class SapFunctions final : public FunctionsComponent {
public:
    explicit SapFunctions(TransportMaker makeTransport);
    ~SapFunctions() override;

    RfcConnection& Connection() override { return connection_; }
    void RemoveAll() override;
    RfcFunction* Add(const QString& functionName) override;
    bool callsInFlight() const override;
    void cancelCalls() override;

private:
    // Function objects reach the system through this, so a logoff and a new logon between two
    // calls never leave them holding a transport that is gone.
    class CurrentTransport;

    RfcConnection connection_;
    std::unique_ptr<CurrentTransport> current_;
    std::vector<std::unique_ptr<RfcFunction>> functions_;
    // Dropped while their call was in flight; freed by a later RemoveAll once it has ended.
    std::vector<std::unique_ptr<RfcFunction>> dropped_;
};

} // namespace qvor
