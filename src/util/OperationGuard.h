#pragma once
// Marks the time a long operation (import, preview, a call waited for) runs. It works on
// process-wide buffers, on the active window and on the one SAP connection, so every command and
// every control that would disturb it is refused while busy, with the busy text where the user
// sees it. A running operation may register how it is cancelled; Cancel asks all of them.
#include <QObject>
#include <QString>
#include <functional>
#include <map>

namespace qvor {

class OperationGuard : public QObject {
    Q_OBJECT
public:
    using Canceller = std::function<void()>;

    bool busy() const { return !running_.empty(); }
    // Marks an operation as running until end(id); the canceller may be empty (cannot be cancelled).
    int begin(Canceller cancel = {});
    void end(int id);
    void reset();

    // Asks every running operation that can be cancelled to stop; false when there is none.
    bool cancel();
    bool cancellable() const;

    // For a command or control that starts work: when busy, shows the busy text (message panel,
    // and refused() for a place the user sees even with the status bar hidden) and gives true.
    bool refuseIfBusy();

Q_SIGNALS:
    void busyChanged(bool busy);
    void refused(const QString& text);

private:
    std::map<int, Canceller> running_;
    int nextId_ = 1;
};

OperationGuard& operationGuard();

// One operation for the length of a scope.
class OperationScope {
public:
    explicit OperationScope(OperationGuard::Canceller cancel = {}) : id_(operationGuard().begin(std::move(cancel))) {}
    ~OperationScope() { operationGuard().end(id_); }
    OperationScope(const OperationScope&) = delete;
    OperationScope& operator=(const OperationScope&) = delete;

private:
    int id_;
};

} // namespace qvor
