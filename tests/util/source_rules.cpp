// Message boxes, file dialogs and detached starts go through UiServices only, so tests can see
// every one of them: their Qt calls may appear in the Qt implementation of UiServices alone.
#include <QDirIterator>
#include <QRegularExpression>
#include <QtTest>

class SourceRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void userFacingCallsOnlyInUiServices();
};

void SourceRules::userFacingCallsOnlyInUiServices()
{
    const QRegularExpression forbidden(QStringLiteral(R"(\bQMessageBox\b|\bQFileDialog\b|QProcess\s*::\s*startDetached)"));
    QStringList offenders;
    int scanned = 0;
    for (const char* folder : {"src", "tools"}) {
        QDirIterator it(QStringLiteral(QVOR_SOURCE_DIR "/") + QLatin1String(folder),
                        {QStringLiteral("*.h"), QStringLiteral("*.cpp"), QStringLiteral("*.hpp"), QStringLiteral("*.def")},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (path.contains(QLatin1String("QtUiServices"))) continue;
            QFile file(path);
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
            ++scanned;
            const QString text = QString::fromUtf8(file.readAll());
            const auto match = forbidden.match(text);
            if (match.hasMatch()) {
                const int line = static_cast<int>(text.left(match.capturedStart()).count(QLatin1Char('\n'))) + 1;
                offenders << QStringLiteral("%1:%2: %3").arg(path).arg(line).arg(match.captured());
            }
        }
    }
    QVERIFY(scanned > 10);
    QVERIFY2(offenders.isEmpty(), qPrintable(offenders.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(SourceRules)
#include "source_rules.moc"
