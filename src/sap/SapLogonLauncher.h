#pragma once
// Starts SAP's own logon program, independent of the program's connection. The path is kept in
// the sSapLogon setting; when it does not start, the program is searched for under two roots,
// remembered, and started again. Here the program is SAP GUI for Java's "guilogon" under /opt
// and the user's home folder; on Windows saplogon.exe under c:\ and d:\.
#include <QString>
#include <QStringList>

namespace qvor {

class SapLogonLauncher {
public:
    // The file and the two roots of this platform.
    SapLogonLauncher();
    SapLogonLauncher(QString fileName, QString firstRoot, QString secondRoot);

    // Starts sSapLogon; on failure one search and one retry, then the "not found" message.
    // True when the program was started.
    bool run() const;

    const QString& fileName() const { return fileName_; }
    QString notFoundText() const;

private:
    // A path that is not an existing file is not handed to the system at all.
    static bool start(const QString& path);

    QString fileName_;
    QString firstRoot_;
    QString secondRoot_;
};

} // namespace qvor
