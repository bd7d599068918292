#pragma once
// The one SAP logon of the process, shared by every query window: the BAPI component (logon dialog,
// status values, system information), the function component (every remote call) and the
// connected flag. Its operations carry the names the rest of the program knows them by.
#include <QObject>
#include <QString>
#include <memory>
#include <vector>

namespace qvor {

class BapiComponent;
class FunctionsComponent;
class ComponentFactory;

class SapConnection : public QObject {
    Q_OBJECT
public:
    static SapConnection& instance();

    bool connected() const { return connected_; }

    // The Connect command; every operation that needs SAP runs it when connected() is false.
    void Connect();
    // Logs both components off and releases them.
    void Disconnect();
    void SAPSystemInformation();
    // The main window's close: logs off when connected and releases the components.
    void closeTimeLogoff();

    // Valid while connected.
    BapiComponent* bapi() const { return bapi_.get(); }
    FunctionsComponent* functions() const { return functions_.get(); }

    // One more logon of the current user, on a function component of its own (a parallel
    // session with its own SAP session); null with the system's reason when it is refused.
    std::unique_ptr<FunctionsComponent> openSession(QString* error);

    // Tests replace the factory (for example one that cannot create a component).
    void setComponentFactory(std::shared_ptr<ComponentFactory> factory);
    ComponentFactory& componentFactory();

    bool CheckComponents();
    bool LogonDialog();
    bool LogonFunctions();
    void Logoff();
    void AdviseReinstall();

    // Where AdviseReinstall looks for SAP's logon program (tests point it elsewhere).
    static QString reinstallSearchRoot();
    static void setReinstallSearchRoot(const QString& root);

    ~SapConnection() override;

Q_SIGNALS:
    // Emitted whenever connected() changes.
    void connectedChanged(bool connected);

private:
    SapConnection();
    void showConnectedState();
    void setConnected(bool connected);
    // Released components are deleted once control is back in the event loop, so a caller that
    // runs Disconnect while it still holds a function object (a SYSTEM_FAILURE answer) stays safe.
    void release();
    void deleteRetired();

    std::shared_ptr<ComponentFactory> factory_;
    std::unique_ptr<BapiComponent> bapi_;
    std::unique_ptr<FunctionsComponent> functions_;
    std::vector<std::unique_ptr<BapiComponent>> retiredBapi_;
    std::vector<std::unique_ptr<FunctionsComponent>> retiredFunctions_;
    bool connected_ = false;
};

inline SapConnection& sapConnection() { return SapConnection::instance(); }

} // namespace qvor
