#pragma once
// Creates the two SAP components by name, and the transport that a logon to a system entry uses.
// Tests derive from it or mark a component as not installed.
#include "sap/RfcConnection.h"
#include "sap/SystemList.h"

#include <QString>
#include <memory>
#include <set>
#include <vector>

namespace qvor {

class BapiComponent;
class FunctionsComponent;

class ComponentFactory : public std::enable_shared_from_this<ComponentFactory> {
public:
    static QString bapiName() { return QStringLiteral("SAP.BAPI.1"); }
    static QString functionsName() { return QStringLiteral("SAP.Functions"); }

    virtual ~ComponentFactory() = default;

    // Null when the component is not installed.
    std::unique_ptr<BapiComponent> createBapi();
    std::unique_ptr<FunctionsComponent> createFunctions();

    // The transport for a system entry of the logon dialog; null with the reason in error.
    virtual std::unique_ptr<RfcTransport> createTransport(const QString& systemEntry, QString* error);

    // A system that is not in the system list, such as the address given to qvor-extract --url;
    // it comes before the list's entries of the same name.
    void addSystem(const SystemEntry& entry) { extraSystems_.push_back(entry); }

    // Tests: pretend that a component (by its name) is not installed.
    void setInstalled(const QString& componentName, bool installed);
    bool installed(const QString& componentName) const { return !missing_.count(componentName); }

private:
    TransportMaker transportMaker();
    std::set<QString> missing_;
    std::vector<SystemEntry> extraSystems_;
};

} // namespace qvor
