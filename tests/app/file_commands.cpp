// The main window's file commands: SAP Logon (the setting, the search of the two roots, the
// not-found message), "Open Table in Excel..." and "Open Table".
#include "FrameFixture.h"

#include "app/CommandRunner.h"
#include "app/Workspace.h"
#include "sap/SapLogonLauncher.h"
#include "util/ExternalPrograms.h"

#include <QDir>
#include <QMdiSubWindow>
#include <QTest>

using namespace qvor;
using namespace qvor::test;

namespace {

const QString DataFilter =
    QStringLiteral("Text (*.csv)|*.csv|Text (*.txt)|*.txt|Excel (*.xls)|*.xls|All Files (*.*)|*.*");

class DocumentWindow : public QWidget {
    Q_OBJECT
public Q_SLOTS:
    QString MyTableF() const { return QStringLiteral("/out/KNA1.csv"); }
};

} // namespace

class FileCommandsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { setAssociationLookup([](const QString&) { return AssociatedCommand{"/usr/bin/viewer", {}}; }); }
    void cleanup() { setAssociationLookup({}); }
    void sapLogon_data();
    void sapLogon();
    void openTableInExcel_data();
    void openTableInExcel();
    void openTableStartsAtActiveOutputPath();
};

void FileCommandsTest::sapLogon_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<bool>("startWorks");
    QTest::addColumn<QString>("stored");   // empty: nothing found
    QTest::addColumn<int>("starts");
    QTest::newRow("valid path: no search") << "x/guilogon" << QStringList{"x/guilogon", "opt/guilogon"} << true
                                           << "x/guilogon" << 1;
    QTest::newRow("empty path, second root only (exact name)")
        << "" << QStringList{"home/.sap/bin/guilogon", "opt/GUILOGON"} << true << "home/.sap/bin/guilogon" << 1;
    QTest::newRow("stale path, first root wins") << "gone/guilogon" << QStringList{"home/guilogon", "opt/a/guilogon"}
                                                 << true << "opt/a/guilogon" << 1;
    QTest::newRow("nothing found") << "gone/guilogon" << QStringList{"opt/guilogon.sh"} << true << "" << 0;
    QTest::newRow("found but fails to start") << "opt/guilogon" << QStringList{"opt/guilogon"} << false
                                              << "opt/guilogon" << 2;
}

void FileCommandsTest::sapLogon()
{
    QFETCH(QString, setting);
    QFETCH(QStringList, files);
    QFETCH(bool, startWorks);
    QFETCH(QString, stored);
    QFETCH(int, starts);
    FrameFixture fx;
    QTemporaryDir roots;
    const QString opt = roots.filePath(QStringLiteral("opt"));
    const QString home = roots.filePath(QStringLiteral("home"));
    for (const QString& f : files) {
        QDir().mkpath(QFileInfo(roots.filePath(f)).absolutePath());
        QFile file(roots.filePath(f));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    appSettings().sSapLogon = setting.isEmpty() ? QString() : roots.filePath(setting);
    fx.services.startSucceeds = startWorks;

    const bool started = SapLogonLauncher(QStringLiteral("guilogon"), opt, home).run();
    QCOMPARE(started, startWorks && !stored.isEmpty());
    QCOMPARE(appSettings().sSapLogon, stored.isEmpty() ? QString() : roots.filePath(stored));
    QCOMPARE(fx.services.starts.size(), starts);
    if (starts > 0) QCOMPARE(fx.services.starts.last().program, roots.filePath(stored));
    const QStringList message{QStringLiteral(" guilogon not found in %1 neither in %2").arg(opt, home)};
    QCOMPARE(fx.services.messageTexts(), started ? QStringList() : message);
    QCOMPARE(fx.services.maxWaitDepth, 1);
    QCOMPARE(fx.services.waitDepth, 0);
}

void FileCommandsTest::openTableInExcel_data()
{
    QTest::addColumn<bool>("portuguese");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("tableFile");
    QTest::addColumn<QString>("proposed");
    QTest::addColumn<QString>("answer");   // empty: cancel
    QTest::newRow("folder joined") << false << "/data/sap" << "kna1.csv" << "/data/sap/kna1.csv" << "/data/c.csv";
    QTest::newRow("folder already in path") << true << "/d" << "/d/x/k.csv" << "/d/x/k.csv" << "/tmp/t.txt";
    QTest::newRow("cancel keeps the joined name") << false << "/data" << "b.csv" << "/data/b.csv" << "";
}

void FileCommandsTest::openTableInExcel()
{
    QFETCH(bool, portuguese);
    QFETCH(QString, folder);
    QFETCH(QString, tableFile);
    QFETCH(QString, proposed);
    QFETCH(QString, answer);
    FrameFixture fx;
    auto w = fx.start();
    appSettings().OptEN = !portuguese;
    appSettings().OptPT = portuguese;
    appSettings().FolderTable = folder;
    appSettings().TableFile = tableFile;
    fx.services.fileAnswers.push_back(answer.isEmpty() ? std::nullopt : std::optional<QString>(answer));

    w->runCommand(QStringLiteral("mabrirtabelas"));
    QCOMPARE(fx.services.fileDialogs.size(), 1);
    QCOMPARE(fx.services.fileDialogs[0].title,
             portuguese ? QStringLiteral("Abrir Tabela no Excel") : QStringLiteral("Open Table in Excel"));
    QCOMPARE(fx.services.fileDialogs[0].filter, DataFilter);
    QCOMPARE(fx.services.fileDialogs[0].initialName, proposed);
    QCOMPARE(appSettings().TableFile, answer.isEmpty() ? proposed : answer);
    QCOMPARE(fx.services.starts.size(), answer.isEmpty() ? 0 : 1);
    if (!answer.isEmpty()) QCOMPARE(fx.services.starts[0].arguments, QStringList{answer});
}

void FileCommandsTest::openTableStartsAtActiveOutputPath()
{
    FrameFixture fx;
    auto w = fx.start();
    fx.services.fileAnswers = {std::nullopt, QStringLiteral("/out/other.txt")};
    w->runCommand(QStringLiteral("mopenmytable"));   // no query window
    w->workspace()->addSubWindow(new DocumentWindow)->show();
    appSettings().OptPT = true;
    w->runCommand(QStringLiteral("mopenmytable"));

    QCOMPARE(fx.services.fileDialogs.size(), 2);
    QCOMPARE(fx.services.fileDialogs[0].initialName, QString());
    QCOMPARE(fx.services.fileDialogs[0].title, QStringLiteral("Open"));
    QCOMPARE(fx.services.fileDialogs[1].initialName, QStringLiteral("/out/KNA1.csv"));
    QCOMPARE(fx.services.fileDialogs[1].title, QStringLiteral("Abrir"));
    QCOMPARE(fx.services.fileDialogs[1].filter, DataFilter);
    QCOMPARE(fx.services.starts.size(), 1);
    QCOMPARE(fx.services.starts[0].arguments, QStringList{QStringLiteral("/out/other.txt")});
}

QTEST_MAIN(FileCommandsTest)
#include "file_commands.moc"
