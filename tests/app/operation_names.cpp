// Operations called by name compile whatever the name says; a renamed or re-typed slot shows only
// when the call finds nothing. Every name of the command table and every name written into an
// invocation in the sources must resolve on the class that receives it, with as many arguments.
#include "app/CommandTable.h"
#include "querywindow/QueryWindow.h"

#include <QDirIterator>
#include <QMetaMethod>
#include <QRegularExpression>
#include <QtTest>

using namespace qvor;

namespace {

// The class whose methods a source file's named invocations reach. A file that starts invoking by
// name must be listed here, so that its calls are checked too.
const QMetaObject* receiverOf(const QString& fileName)
{
    if (fileName == QLatin1String("CommandRunner.cpp")) return &QueryWindow::staticMetaObject;   // the active window
    if (fileName == QLatin1String("QueryWindow.cpp")) return &QueryWindow::staticMetaObject;
    if (fileName == QLatin1String("FileCommands.cpp")) return &QueryWindow::staticMetaObject;   // the output path
    return nullptr;
}

// Empty when some invokable method of the class has that name and parameter count (and returns a
// value if one is asked for), else what is wrong.
QString unresolved(const QMetaObject& meta, const QString& name, int arguments, bool returnsValue)
{
    for (int i = 0; i < meta.methodCount(); ++i) {
        const QMetaMethod m = meta.method(i);
        if (m.methodType() != QMetaMethod::Slot && m.methodType() != QMetaMethod::Method) continue;
        if (QLatin1String(m.name()) != name || m.parameterCount() != arguments) continue;
        if (returnsValue && m.returnType() == QMetaType::Void) continue;
        return {};
    }
    return QStringLiteral("%1::%2 with %3 argument(s)%4 is not invokable")
        .arg(QLatin1String(meta.className()), name)
        .arg(arguments)
        .arg(returnsValue ? QStringLiteral(" returning a value") : QString());
}

struct NamedCall {
    QString where;
    QString name;
    int arguments = 0;
    bool returnsValue = false;
};

// The named invocations in a source text: invoke("X", Q_ARG...), invokeReturning("X", Q_RETURN_ARG...)
// and QMetaObject::invokeMethod(target, "X", ...).
QList<NamedCall> namedCalls(const QString& path, const QString& text)
{
    static const QRegularExpression call(
        QStringLiteral("\\b(invoke|invokeReturning|invokeMethod)\\s*\\((?:[^;\"]*?,)?\\s*\"(\\w+)\"([^;]*);"));
    static const QRegularExpression argument(QStringLiteral(R"(\bQ_ARG\s*\()"));
    QList<NamedCall> out;
    for (auto it = call.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString rest = m.captured(3);
        NamedCall c;
        c.where = QStringLiteral("%1:%2").arg(path).arg(text.left(m.capturedStart()).count(QLatin1Char('\n')) + 1);
        c.name = m.captured(2);
        c.arguments = static_cast<int>(rest.count(argument));
        c.returnsValue = rest.contains(QLatin1String("Q_RETURN_ARG"));
        out << c;
    }
    return out;
}

} // namespace

class OperationNamesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void commandTableOperationsExist()
    {
        QStringList problems;
        int checked = 0;
        for (const MenuEntryDef& def : menuEntries()) {
            if (!def.windowOperation) continue;
            ++checked;
            const QString why = unresolved(QueryWindow::staticMetaObject, QLatin1String(def.windowOperation), 0, false);
            if (!why.isEmpty()) problems << QLatin1String(def.name) + QStringLiteral(": ") + why;
        }
        QVERIFY(checked > 10);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void namesInvokedInTheSourcesExist()
    {
        QStringList problems;
        int checked = 0;
        QDirIterator it(QStringLiteral(QVOR_SOURCE_DIR "/src"), {QStringLiteral("*.cpp")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
            const QList<NamedCall> calls = namedCalls(path, QString::fromUtf8(file.readAll()));
            if (calls.isEmpty()) continue;
            const QMetaObject* meta = receiverOf(QFileInfo(path).fileName());
            if (!meta) {
                problems << calls.first().where + QStringLiteral(": invokes by name; name its receiver in this test");
                continue;
            }
            for (const NamedCall& c : calls) {
                ++checked;
                const QString why = unresolved(*meta, c.name, c.arguments, c.returnsValue);
                if (!why.isEmpty()) problems << c.where + QStringLiteral(": ") + why;
            }
        }
        QVERIFY(checked >= 10);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }
};

QTEST_GUILESS_MAIN(OperationNamesTest)
#include "operation_names.moc"
