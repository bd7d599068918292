#pragma once
// A file's bytes for comparing; a marker that no test expects where it cannot be read.
#include <QByteArray>
#include <QFile>
#include <QString>

namespace qvor::test {

inline QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace qvor::test
