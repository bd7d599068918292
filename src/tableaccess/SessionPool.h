#pragma once
// The SAP sessions a parallel import reads on: the connection's own function component and
// further logons of the same user, each with its own session on the system (its own cookie over
// SOAP, its own connection to the embedded system). The further sessions log off when the pool
// goes; one whose call is still on its way is freed once that call has ended.
#include <QString>
#include <memory>
#include <vector>

namespace qvor {

class FunctionsComponent;

class SessionPool {
public:
    SessionPool();
    ~SessionPool();
    SessionPool(const SessionPool&) = delete;
    SessionPool& operator=(const SessionPool&) = delete;

    // Session 0 is the connection's own component; count - 1 more are logged on (each logon
    // waits for its answer while the event loop runs). False with the system's reason when the
    // connection is closed or a logon is refused; the sessions opened so far stay usable.
    bool open(int count, QString* error);
    int size() const { return static_cast<int>(extra_.size()) + (size_ > 0 ? 1 : 0); }
    // Null when the session is gone (the connection was closed meanwhile).
    FunctionsComponent* at(int i) const;

    void cancelCalls();
    bool callsInFlight() const;
    // Logs the further sessions off; any call still on its way ends as cancelled.
    void close();

private:
    int size_ = 0;
    std::vector<std::unique_ptr<FunctionsComponent>> extra_;
};

} // namespace qvor
