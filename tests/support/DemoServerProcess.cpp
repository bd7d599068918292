#include "support/DemoServerProcess.h"

#include <QElapsedTimer>
#include <QRegularExpression>

namespace qvor::test {

DemoServerProcess::~DemoServerProcess() { kill(); }

QString DemoServerProcess::program() { return QStringLiteral(QVOR_BINARY_DIR "/qvor-demo-server"); }

bool DemoServerProcess::start(const QStringList& extraArguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QVOR_DEMO_DATABASE"), QStringLiteral(":memory:"));
    process_.setProcessEnvironment(env);
    // One stream, read as it comes: the listening line on stdout, the session lines on stderr.
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(program(), QStringList{QStringLiteral("--port"), QStringLiteral("0")} + extraArguments);
    if (!process_.waitForStarted(10000)) {
        error_ = process_.errorString();
        return false;
    }
    static const QRegularExpression listening(QStringLiteral("^listening on (http://[^:]+:(\\d+))"),
                                               QRegularExpression::MultilineOption);
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 60000) {
        if (!process_.waitForReadyRead(1000) && process_.state() == QProcess::NotRunning) break;
        out += process_.readAllStandardOutput();
        output_ = out;
        const auto match = listening.match(QString::fromUtf8(out));
        if (match.hasMatch()) {
            address_ = match.captured(1);
            port_ = match.captured(2).toInt();
            return true;
        }
    }
    error_ = QStringLiteral("no \"listening on\" line in: ") + QString::fromUtf8(out);
    return false;
}

void DemoServerProcess::kill()
{
    if (process_.state() == QProcess::NotRunning) return;
    process_.kill();
    process_.waitForFinished(5000);
}

int DemoServerProcess::sessionsOpened()
{
    // The lines of requests answered so far are written already; collect what is in the pipe.
    while (process_.waitForReadyRead(200)) output_ += process_.readAllStandardOutput();
    output_ += process_.readAllStandardOutput();
    static const QRegularExpression opened(QStringLiteral("^session \\d+ opened"), QRegularExpression::MultilineOption);
    int n = 0;
    for (auto it = opened.globalMatch(QString::fromUtf8(output_)); it.hasNext(); it.next()) ++n;
    return n;
}

} // namespace qvor::test
