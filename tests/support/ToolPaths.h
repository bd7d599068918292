#pragma once
// qvor-extract as this build made it, and one run of it, for the tests that start it.
#include <QByteArray>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

namespace qvor::test {

inline QString extractToolPath() { return QStringLiteral(QVOR_BINARY_DIR "/qvor-extract"); }

struct ToolRun {
    int exit = -1;   // -1: it did not end by itself in time
    QByteArray out;
    QByteArray err;
};

// Environment entries with an empty value are removed. Standard input is closed, so that a
// password prompt reads an empty line instead of waiting; `meanwhile` runs while the tool does.
inline ToolRun runExtract(const QStringList& args, const QMap<QString, QString>& env = {},
                          const std::function<void(QProcess&)>& meanwhile = {})
{
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (auto it = env.begin(); it != env.end(); ++it) {
        if (it.value().isEmpty()) e.remove(it.key());
        else e.insert(it.key(), it.value());
    }
    p.setProcessEnvironment(e);
    p.start(extractToolPath(), args);
    p.closeWriteChannel();
    if (meanwhile) meanwhile(p);
    ToolRun run;
    if (!p.waitForFinished(120000)) return run;
    run.out = p.readAllStandardOutput();
    run.err = p.readAllStandardError();
    if (p.exitStatus() == QProcess::NormalExit) run.exit = p.exitCode();
    return run;
}

} // namespace qvor::test
