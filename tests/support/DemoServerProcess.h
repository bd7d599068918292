#pragma once
// qvor-demo-server started by a test on a free loopback port with an in-memory demo system.
#include <QProcess>
#include <QString>
#include <QStringList>

namespace qvor::test {

class DemoServerProcess {
public:
    ~DemoServerProcess();

    static QString program();

    // Starts the server and waits for its "listening on" line; false with the reason in error().
    bool start(const QStringList& extraArguments = {});
    void kill();
    bool running() const { return process_.state() != QProcess::NotRunning; }

    // The server's address, e.g. "http://127.0.0.1:41234".
    const QString& address() const { return address_; }
    int port() const { return port_; }
    const QString& error() const { return error_; }

    // How many sessions the server opened so far (one per request that came without its cookie).
    int sessionsOpened();
    // Everything the server printed so far (as read by the last sessionsOpened()).
    const QByteArray& output() const { return output_; }
    QProcess& process() { return process_; }

private:
    QProcess process_;
    QString address_;
    QString error_;
    QByteArray output_;
    int port_ = 0;
};

} // namespace qvor::test
