// "Qvor.ini": the exact bytes the program writes, the reading rules, and whole-file writing.
#include "util/FileCodec.h"
#include "util/WholeFileWriter.h"
#include "util/SettingsFile.h"
#include "support/FileBytes.h"

#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace qvor;
using qvor::test::fileBytes;

namespace {

AppSettings sample()
{
    AppSettings s;
    s.sSapLogon = QStringLiteral("/opt/SAPClients/SAPGUI/bin/guilogon");
    s.FolderTable = QStringLiteral("/home/jdoe/data/");
    s.TableFile = QStringLiteral(u"/home/jdoe/data/Ação kna1.csv");
    s.SGlobal = QStringLiteral("0.3.20");
    s.ChOpt = true;
    s.OptPT = true;
    s.Status = true;
    s.listSeparator = QStringLiteral("|");
    s.fzeqTop = 1200;
    s.fzeqLeft = -15;
    s.fzeqHeight = 32767;
    s.fzeqWidth = -32768;
    s.SAT = 2;
    s.ssAddTab = {QStringLiteral("Sales"), QStringLiteral("Sales\\KNA1")};
    s.FileQvor = QStringLiteral("/home/jdoe/q/customers.qvr");
    return s;
}

// Every value as "key=value", booleans as 1/0 and the list joined by "|".
QStringList dump(const AppSettings& s)
{
    auto b = [](bool v) { return QString::number(v ? 1 : 0); };
    return {"sSapLogon=" + s.sSapLogon, "FolderTable=" + s.FolderTable, "TableFile=" + s.TableFile,
            "SGlobal=" + s.SGlobal, "ChOpt=" + b(s.ChOpt), "OptEN=" + b(s.OptEN), "OptPT=" + b(s.OptPT),
            "OptCT=" + b(s.OptCT), "Tool=" + b(s.Tool), "Status=" + b(s.Status), "z=" + s.listSeparator,
            "fzeqTop=" + QString::number(s.fzeqTop), "fzeqLeft=" + QString::number(s.fzeqLeft),
            "fzeqHeight=" + QString::number(s.fzeqHeight), "fzeqWidth=" + QString::number(s.fzeqWidth),
            "SAT=" + QString::number(s.SAT), "ssAddTab=" + s.ssAddTab.join('|'), "FileQvor=" + s.FileQvor,
            "ExpFormat=" + outputFormatName(s.ExpFormat), "ExpTexts=" + b(s.ExpTexts), "JoinKeys=" + b(s.JoinKeys)};
}

} // namespace

class Settings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void writesExactBytes();
    void roundTrips();
    void readsByTheRules_data();
    void readsByTheRules();
    void readsFileBytes();
    void emptyFileGivesDefaults();
    void guardCreatesOnlyMissingFile();
    void readAndWriteLocations_data();
    void readAndWriteLocations();
    void failedWriteKeepsOldFile();
    void shortWriteKeepsOldFile();
};

void Settings::writesExactBytes()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Qvor.ini"));
    QVERIFY(writeSettings(path, sample()));
    const QByteArray expected =
        "sSapLogon    /opt/SAPClients/SAPGUI/bin/guilogon\r\n"
        "FolderTable  /home/jdoe/data/\r\n"
        "TableFile    /home/jdoe/data/A\xC3\xA7\xC3\xA3o kna1.csv\r\n"
        "SGlobal      0.3.20\r\n"
        "ChOpt        True\r\n"
        "OptEN        False\r\n"
        "OptPT        True\r\n"
        "OptCT        False\r\n"
        "Tool         False\r\n"
        "Status       True\r\n"
        "z            |\r\n"
        "fzeqTop       1200 \r\n"
        "fzeqLeft     -15 \r\n"
        "fzeqHeight    32767 \r\n"
        "fzeqWidth    -32768 \r\n"
        "SAT           2 \r\n"
        "ssAddTab 001 Sales\r\n"
        "ssAddTab 002 Sales\\KNA1\r\n"
        "FileQvor     /home/jdoe/q/customers.qvr\r\n";
    QCOMPARE(fileBytes(path), expected);

    // No list lines for an empty tree, and the keys beyond the specified ones only when set.
    QVERIFY(writeSettings(path, AppSettings{}));
    QCOMPARE(fileBytes(path).count("\r\n"), 17);
    AppSettings exports = sample();
    exports.ExpFormat = OutputFormat::Xlsx;
    exports.JoinKeys = true;
    QVERIFY(writeSettings(path, exports));
    QCOMPARE(fileBytes(path), expected + "ExpFormat    xlsx\r\nJoinKeys     True\r\n");
}

void Settings::roundTrips()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Qvor.ini"));
    AppSettings written = sample();
    written.OptCT = true;
    written.Tool = true;
    written.listSeparator = QStringLiteral(" ");
    written.ExpFormat = OutputFormat::Csv;
    written.ExpTexts = true;
    written.JoinKeys = true;
    written.SAT = 999;
    written.ssAddTab.clear();
    for (int i = 1; i <= 999; ++i) written.ssAddTab << QStringLiteral("Root %1\\T%1 ").arg(i);
    QVERIFY(writeSettings(path, written));
    AppSettings read;
    QCOMPARE(readSettings(path, read), std::nullopt);
    QCOMPARE(dump(read), dump(written));
}

void Settings::readsByTheRules_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("error");   // 0 = none
    QTest::addColumn<QStringList>("expected");   // some values of the result, as dump() shows them

    QTest::newRow("value from char 14, not trimmed") << "sSapLogon    /opt/x \n" << 0 << QStringList{"sSapLogon=/opt/x "};
    QTest::newRow("short line gives empty value") << "FileQvor\n" << 0 << QStringList{"FileQvor="};
    QTest::newRow("any column, any order") << "  OptPT True   True\nz  x\n" << 0 << QStringList{"OptPT=1", "z="};
    QTest::newRow("path with TableFile sets both") << "FolderTable  /d/TableFile/\n" << 0
                                                   << QStringList{"FolderTable=/d/TableFile/", "TableFile=/d/TableFile/"};
    QTest::newRow("case-sensitive") << "sapLogon     x\nsSapLogon    y\n" << 0 << QStringList{"sSapLogon=y"};
    QTest::newRow("Tool needs two blanks") << "Tool True\nStatus True\n" << 0 << QStringList{"Tool=0", "Status=0"};
    QTest::newRow("blank separator") << "z             \n" << 0 << QStringList{"z= "};
    QTest::newRow("list after SAT") << "SAT           2 \nssAddTab 001 A\nssAddTab 002 A\\B\nssAddTab 003 C\n"
                                    << 0 << QStringList{"SAT=2", "ssAddTab=A|A\\B"};
    QTest::newRow("list before SAT ignored") << "ssAddTab 001 A\nSAT           1 \n" << 0 << QStringList{"ssAddTab="};
    QTest::newRow("list with SAT 0 ignored") << "SAT           0 \nssAddTab 001 A\n" << 0 << QStringList{"ssAddTab="};
    QTest::newRow("missing entries stay empty") << "SAT           3 \nssAddTab 002 B\n" << 0 << QStringList{"ssAddTab=|B|"};
    QTest::newRow("index is three digits") << "SAT           12 \nssAddTab 0123 X\n" << 0
                                           << QStringList{"ssAddTab=" + QString("|").repeated(11) + " X"};
    QTest::newRow("lf-only and crlf lines") << "OptEN        True\r\nOptPT        False\nTool         True\r\n" << 0
                                            << QStringList{"OptEN=1", "OptPT=0", "Tool=1"};
    QTest::newRow("bad boolean") << "OptEN        Yes\nOptPT        True\n" << 13 << QStringList{"OptEN=0", "OptPT=1"};
    QTest::newRow("overflow, later keys read") << "fzeqTop       1200 \nfzeqWidth     40000 \nFileQvor     /q\n"
                                               << 6 << QStringList{"fzeqTop=1200", "fzeqWidth=0", "FileQvor=/q"};
    QTest::newRow("first error wins") << "fzeqTop       x\nfzeqLeft      99999\n" << 13 << QStringList{"fzeqTop=0"};
    QTest::newRow("SAT above 999") << "SAT           2 \nSAT           1000 \nssAddTab 002 B\n" << 9
                                   << QStringList{"SAT=2", "ssAddTab=|B"};
    QTest::newRow("negative SAT") << "SAT          -1 \n" << 9 << QStringList{"SAT=0"};
    QTest::newRow("value holding a search text") << "sSapLogon    /opt/SAT  7\n" << 13
                                                 << QStringList{"sSapLogon=/opt/SAT  7", "SAT=0"};
    QTest::newRow("export keys at the line start") << "ExpFormat    CSV\nExpTexts     True\nJoinKeys     True\n"
                                                   << 0 << QStringList{"ExpFormat=csv", "ExpTexts=1", "JoinKeys=1"};
    QTest::newRow("export keys elsewhere ignored") << "FileQvor     /q/JoinKeys True\n" << 0 << QStringList{"JoinKeys=0"};
    QTest::newRow("unknown format") << "ExpFormat    xls\n" << 13 << QStringList{"ExpFormat=sap"};
    QTest::newRow("garbage") << "\x01\x02\xff\n\n====\n" << 0 << dump(AppSettings{});
}

void Settings::readsByTheRules()
{
    QFETCH(QString, text);
    QFETCH(int, error);
    QFETCH(QStringList, expected);
    AppSettings s;
    const auto result = readSettingsFromText(text, s);
    QCOMPARE(result ? result->number : 0, error);
    QCOMPARE(s.ssAddTab.size(), qsizetype(s.SAT));
    const QStringList actual = dump(s);
    for (const QString& value : expected) QVERIFY2(actual.contains(value), qPrintable(value));
}

void Settings::readsFileBytes()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Qvor.ini"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    // Windows-1252 from a Windows editor: é and € in one line.
    f.write("FolderTable  C:\\Relat\xF3rios \x80\r\nSAT           1 \r\nssAddTab 001 Caf\xE9\r\n");
    f.close();
    AppSettings s;
    QCOMPARE(readSettings(path, s), std::nullopt);
    QCOMPARE(s.FolderTable, QStringLiteral(u"C:\\Relatórios €"));
    QCOMPARE(s.ssAddTab, QStringList{QStringLiteral(u"Café")});

    const auto missing = readSettings(dir.filePath(QStringLiteral("none.ini")), s);
    QVERIFY(missing);
    QCOMPARE(missing->number, 53);
}

void Settings::emptyFileGivesDefaults()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Qvor.ini"));
    QCOMPARE(ensureSettingsFile(path), SettingsFileState::Ready);
    QCOMPARE(QFileInfo(path).size(), 0);
    AppSettings s;
    QCOMPARE(readSettings(path, s), std::nullopt);
    QCOMPARE(dump(s), dump(AppSettings{}));
    s.listSeparator.clear();
    applySeparatorDefault(s);
    QCOMPARE(s.listSeparator, QStringLiteral(";"));
    s.listSeparator = QStringLiteral(" ");
    applySeparatorDefault(s);
    QCOMPARE(s.listSeparator, QStringLiteral(" "));
}

void Settings::guardCreatesOnlyMissingFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Qvor.ini"));
    QVERIFY(writeSettings(path, sample()));
    const QByteArray before = fileBytes(path);
    QCOMPARE(ensureSettingsFile(path), SettingsFileState::Ready);
    QCOMPARE(fileBytes(path), before);
    // Under a file, nothing can be created; a folder in the file's place cannot be read.
    QCOMPARE(ensureSettingsFile(path + QStringLiteral("/Qvor.ini")), SettingsFileState::CannotCreate);
    QCOMPARE(ensureSettingsFile(dir.path()), SettingsFileState::Unreadable);
}

void Settings::readAndWriteLocations_data()
{
    QTest::addColumn<bool>("besideExists");
    QTest::addColumn<bool>("besideWritable");
    QTest::addColumn<bool>("userExists");
    QTest::addColumn<bool>("userNewer");
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("write");
    QTest::newRow("writable program folder") << true << true << true << true << "beside" << "beside";
    QTest::newRow("new file in a writable folder") << false << true << false << false << "beside" << "beside";
    QTest::newRow("administrator's file, first start") << true << false << false << false << "beside" << "user";
    QTest::newRow("user's copy written since") << true << false << true << true << "user" << "user";
    QTest::newRow("administrator changed it since") << true << false << true << false << "beside" << "user";
    QTest::newRow("nothing beside, folder locked") << false << false << true << false << "user" << "user";
}

void Settings::readAndWriteLocations()
{
    QFETCH(bool, besideExists);
    QFETCH(bool, besideWritable);
    QFETCH(bool, userExists);
    QFETCH(bool, userNewer);
    const SettingsFiles files =
        chooseSettingsFiles(QStringLiteral("beside"), QStringLiteral("user"), {besideExists, besideWritable, userExists, userNewer});
    QTEST(files.read, "read");
    QTEST(files.write, "write");
}

void Settings::failedWriteKeepsOldFile()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Qvor.ini"));
    AppError error;
    QVERIFY(!writeFileWhole(file + QStringLiteral("/below"), "x", &error));
    QVERIFY(error.isError());
    QVERIFY(!writeFileWhole(dir.filePath(QStringLiteral("no/such/folder.ini")), "x", &error));
    QCOMPARE(error.number, 76);
}

void Settings::shortWriteKeepsOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Qvor.ini"));
    QVERIFY(writeFileWhole(path, "old content\r\n", nullptr));

    // A file-size limit makes the write come up short, as a full disk would.
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    AppError error;
    const bool written = writeFileWhole(path, QByteArray(64 * 1024, 'x'), &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!written);
    QCOMPARE(error.number, 61);
    QCOMPARE(fileBytes(path), QByteArray("old content\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Qvor.ini")});
}

QTEST_GUILESS_MAIN(Settings)
#include "settings.moc"
