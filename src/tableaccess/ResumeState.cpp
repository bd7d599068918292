#include "tableaccess/ResumeState.h"

#include <QFile>
#include <QSaveFile>

namespace qvor {
namespace {

constexpr auto Header = "qvor-resume 1";

// Key values are written one per line, tab between them; backslash, tab and line ends escaped.
QString escaped(const QString& v)
{
    QString out;
    for (QChar c : v) {
        if (c == QLatin1Char('\\')) out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\t')) out += QStringLiteral("\\t");
        else if (c == QLatin1Char('\n')) out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r')) out += QStringLiteral("\\r");
        else out += c;
    }
    return out;
}

QString unescaped(const QString& v)
{
    QString out;
    for (qsizetype i = 0; i < v.size(); ++i) {
        if (v[i] != QLatin1Char('\\') || i + 1 == v.size()) {
            out += v[i];
            continue;
        }
        const QChar c = v[++i];
        out += c == QLatin1Char('t') ? QChar('\t') : c == QLatin1Char('n') ? QChar('\n') : c == QLatin1Char('r') ? QChar('\r') : c;
    }
    return out;
}

} // namespace

bool ResumeState::save(const QString& path, AppError* error) const
{
    QString text = QLatin1String(Header) + QLatin1Char('\n');
    text += QStringLiteral("fingerprint=%1\noutput=%2\ndone=%3\nbytes=%4\nrows=%5\n")
                .arg(fingerprint, escaped(output))
                .arg(done)
                .arg(bytes)
                .arg(rows);
    for (const KeyTuple& b : boundaries) {
        QStringList values;
        for (const QString& v : b) values << escaped(v);
        text += QStringLiteral("boundary=") + values.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    QSaveFile file(path);
    const QByteArray bytes = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error) *error = AppError::fromFile(file);
        file.cancelWriting();
        return false;
    }
    return true;
}

std::optional<ResumeState> ResumeState::load(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.exists()) return std::nullopt;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = file.errorString();
        return std::nullopt;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lines.isEmpty() || lines.front() != QLatin1String(Header)) {
        if (error) *error = QStringLiteral("not a state file of this program");
        return std::nullopt;
    }
    ResumeState s;
    bool ok = true;
    for (const QString& line : lines.mid(1)) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        const QString key = line.left(eq);
        const QString value = line.mid(eq + 1);
        bool number = true;
        if (key == QLatin1String("fingerprint")) s.fingerprint = value;
        else if (key == QLatin1String("output")) s.output = unescaped(value);
        else if (key == QLatin1String("done")) s.done = value.toInt(&number);
        else if (key == QLatin1String("bytes")) s.bytes = value.toLongLong(&number);
        else if (key == QLatin1String("rows")) s.rows = value.toLongLong(&number);
        else if (key == QLatin1String("boundary")) {
            KeyTuple b;
            for (const QString& v : value.split(QLatin1Char('\t'))) b.push_back(unescaped(v));
            s.boundaries.push_back(std::move(b));
        }
        ok = ok && number && eq > 0;
    }
    if (!ok || s.fingerprint.isEmpty() || s.done < 0 || s.bytes < 0 || s.rows < 0
        || s.done > static_cast<int>(s.boundaries.size()) + 1) {
        if (error) *error = QStringLiteral("the file is damaged");
        return std::nullopt;
    }
    return s;
}

} // namespace qvor
