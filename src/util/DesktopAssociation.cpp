#include "util/DesktopAssociation.h"

#include "util/FileCodec.h"
#include "util/UiServices.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QThreadPool>

namespace qvor {
namespace {

const QStringList FileFieldCodes{QStringLiteral("%f"), QStringLiteral("%F"), QStringLiteral("%u"),
                                 QStringLiteral("%U")};

// The string-level escapes of a desktop entry value.
QString unescapeValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case 's': out += QLatin1Char(' '); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 'r': out += QLatin1Char('\r'); break;
        case '\\': out += QLatin1Char('\\'); break;
        default: out += QLatin1Char('\\'); out += next; break;
        }
    }
    return out;
}

QStringList splitExecArguments(const QString& exec)
{
    QStringList tokens;
    QString current;
    bool inToken = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) quoted = false;
            else if (c == QLatin1Char('\\') && i + 1 < exec.size()) current += exec.at(++i);
            else current += c;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            inToken = true;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inToken) tokens << current;
            current.clear();
            inToken = false;
        } else {
            if (c == QLatin1Char('\\') && i + 1 < exec.size()) current += exec.at(++i);
            else current += c;
            inToken = true;
        }
    }
    if (inToken) tokens << current;
    return tokens;
}

bool isDroppedFieldCode(const QString& token)
{
    return token.size() == 2 && token.at(0) == QLatin1Char('%') && !FileFieldCodes.contains(token)
        && token != QLatin1String("%%");
}

QString runXdgMime(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdg-mime"), arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(5000)) return {};
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return {};
    QString answer = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    // "text/plain; charset=..." from some back-ends, or several entries separated by ';'.
    return answer.section(QLatin1Char(';'), 0, 0).trimmed();
}

QString locateDesktopFile(const QString& desktopId)
{
    QString found = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, desktopId);
    // "vendor-app.desktop" may live in a vendor subfolder as "vendor/app.desktop".
    QString id = desktopId;
    for (qsizetype dash = id.indexOf(QLatin1Char('-')); found.isEmpty() && dash > 0;
         dash = id.indexOf(QLatin1Char('-'), dash + 1)) {
        id[dash] = QLatin1Char('/');
        found = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id);
    }
    return found;
}

// A program named in an Exec line, as a full path; empty when it is not installed.
QString resolvedProgram(const QString& program)
{
    if (program.isEmpty()) return {};
    if (!QFileInfo(program).isAbsolute()) return QStandardPaths::findExecutable(program);
    return QFileInfo(program).isExecutable() ? program : QString();
}

AssociatedCommand commandOfDesktopEntry(const QString& desktopId)
{
    const QString file = locateDesktopFile(desktopId);
    if (file.isEmpty()) return {};
    AppError error;
    const auto bytes = readFileBytes(file, &error);
    if (!bytes) return {};
    const QString text = decode8Bit(*bytes);
    AssociatedCommand command = parseDesktopExec(desktopEntryValue(text, QStringLiteral("Exec")));
    command.program = resolvedProgram(command.program);
    if (command.program.isEmpty()) return {};
    if (desktopEntryValue(text, QStringLiteral("Terminal")).compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return inTerminal(command);
    return command;
}

} // namespace

QStringList AssociatedCommand::argumentsFor(const QString& target) const
{
    QStringList out;
    bool placed = false;
    for (const QString& argument : arguments) {
        if (placed && FileFieldCodes.contains(argument)) continue;   // only one file is passed
        QString expanded;
        for (qsizetype i = 0; i < argument.size(); ++i) {
            const QChar c = argument.at(i);
            if (c != QLatin1Char('%') || i + 1 == argument.size()) {
                expanded += c;
                continue;
            }
            const QString code = argument.mid(i++, 2);
            if (code == QLatin1String("%%")) {
                expanded += QLatin1Char('%');
            } else if (FileFieldCodes.contains(code) && !placed) {
                expanded += target;
                placed = true;
            }
        }
        out << expanded;
    }
    if (!placed) out << target;
    return out;
}

AssociatedCommand parseDesktopExec(const QString& exec)
{
    const QStringList tokens = splitExecArguments(unescapeValue(exec));
    AssociatedCommand command;
    for (const QString& token : tokens) {
        if (isDroppedFieldCode(token)) continue;
        if (command.program.isEmpty()) command.program = token;
        else command.arguments << token;
    }
    return command;
}

AssociatedCommand inTerminal(const AssociatedCommand& command)
{
    AssociatedCommand terminal = parseDesktopExec(qEnvironmentVariable("TERMINAL"));
    terminal.program = resolvedProgram(terminal.program);
    if (terminal.program.isEmpty()) terminal = {QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator")), {}};
    if (terminal.program.isEmpty() || command.program.isEmpty()) return {};
    terminal.arguments << QStringLiteral("-e") << command.program << command.arguments;
    return terminal;
}

QString desktopEntryValue(const QString& desktopFileText, const QString& key)
{
    bool inMainGroup = false;
    for (const QString& rawLine : splitLines(desktopFileText)) {
        const QString line = rawLine.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMainGroup) continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && line.left(eq).trimmed() == key) return line.mid(eq + 1).trimmed();
    }
    return {};
}

namespace {

// Which desktop entry opens a file type, asked of xdg-mime once per type and program run: each
// question costs a shell script of a few hundred milliseconds.
QString defaultDesktopId(const QString& mimeType)
{
    static QMutex mutex;
    static QHash<QString, QString> known;
    {
        QMutexLocker lock(&mutex);
        const auto it = known.constFind(mimeType);
        if (it != known.constEnd()) return *it;
    }
    const QString id = runXdgMime({QStringLiteral("query"), QStringLiteral("default"), mimeType});
    QMutexLocker lock(&mutex);
    known.insert(mimeType, id);
    return id;
}

QStringList typeAndAncestors(const QMimeDatabase& database, const QString& type)
{
    QStringList types{type};
    for (const QString& parent : database.mimeTypeForName(type).allAncestors())
        if (!types.contains(parent)) types << parent;
    return types;
}

} // namespace

void prefetchDesktopAssociation(const QString& fileName)
{
    QThreadPool::globalInstance()->start([fileName] {
        const QMimeDatabase database;
        const QMimeType type = database.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
        if (!type.isValid() || type.isDefault()) return;
        for (const QString& candidate : typeAndAncestors(database, type.name()))
            if (!defaultDesktopId(candidate).isEmpty()) return;
    });
}

AssociatedCommand desktopAssociation(const QString& path, RelatedTypes relatedTypes)
{
    const QFileInfo info(path);
    if (!info.exists()) return {};
    // Each xdg-mime run costs a shell script; the file type comes from the same shared MIME
    // database in-process, and xdg-mime is asked only when that database knows nothing better.
    WaitPointer wait;
    const QMimeDatabase mimeDatabase;
    const QMimeType mimeType = mimeDatabase.mimeTypeForFile(info);
    QString type = mimeType.isValid() && !mimeType.isDefault() ? mimeType.name() : QString();
    if (type.isEmpty()) type = runXdgMime({QStringLiteral("query"), QStringLiteral("filetype"), info.absoluteFilePath()});
    if (type.isEmpty()) return {};

    const QStringList candidates = relatedTypes == RelatedTypes::Tried ? typeAndAncestors(mimeDatabase, type) : QStringList{type};
    for (const QString& candidate : candidates) {
        const QString desktopId = defaultDesktopId(candidate);
        if (desktopId.isEmpty()) continue;
        AssociatedCommand command = commandOfDesktopEntry(desktopId);
        if (!command.program.isEmpty()) return command;
    }
    return {};
}

} // namespace qvor
