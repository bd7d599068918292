#pragma once
// SIGINT and SIGTERM as events of the event loop: the handler only writes the signal's number into
// a pipe, and stopRequested() is emitted from the loop, where the run can be cancelled cleanly.
// A second signal of either kind ends the program at once, as if nothing had been caught.
#include <QObject>

class QSocketNotifier;

class StopSignals : public QObject {
    Q_OBJECT
public:
    StopSignals();
    ~StopSignals() override;

    // The first signal received, 0 while none came.
    int received() const { return received_; }
    // The exit status for it, 128 + the signal's number (130 for SIGINT, 143 for SIGTERM).
    int exitStatus() const { return 128 + received_; }

Q_SIGNALS:
    void stopRequested(int signal);

private:
    QSocketNotifier* notifier_ = nullptr;
    int received_ = 0;
};
