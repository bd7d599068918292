// Handing files and addresses to other programs, with the exact texts the user sees; the desktop
// association from real desktop entries; the folder-tree search.
#include "support/ScriptedUiServices.h"
#include "util/AppSettings.h"
#include "util/ExternalPrograms.h"
#include "util/StatusPanels.h"

#include <QStandardPaths>
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

using namespace qvor;
using qvor::test::ScriptedUiServices;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Runs the search as an unprivileged user when the test runs as root, who could read any folder.
QString findAsUnprivileged(const QString& root, const QString& name)
{
    if (geteuid() != 0) return FindFileInTree(root, name);
    int fds[2];
    if (pipe(fds) != 0) return QStringLiteral("<pipe failed>");
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        int ok = setgid(65534) == 0 && setuid(65534) == 0;
        const QByteArray answer = ok ? FindFileInTree(root, name).toUtf8() : QByteArray("<setuid failed>");
        ok = write(fds[1], answer.constData(), answer.size()) == answer.size();
        _exit(ok ? 0 : 1);
    }
    close(fds[1]);
    QByteArray answer;
    char buffer[512];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) answer.append(buffer, n);
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return QString::fromUtf8(answer);
}

} // namespace

class ExternalProgramsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void parsesExecLines_data();
    void parsesExecLines();
    void findsDesktopAssociation();
    void opensWithAssociatedProgram_data();
    void opensWithAssociatedProgram();
    void opensReportOnlyWhenItExists();
    void opensAddressInBrowser();
    void reportsMissingBrowser();
    void showsHelpBesideExecutable();
    void findsFileInTree();

private:
    ScriptedUiServices* ui_ = nullptr;
    QStringList lookedUp_;
};

void ExternalProgramsTest::init()
{
    appSettings() = {};
    appSettings().OptEN = true;
    panels().setMessage({});
    ui_ = new ScriptedUiServices;
    lookedUp_.clear();
    setAssociationLookup([this](const QString& path) {
        lookedUp_ << path;
        if (path.endsWith(QLatin1String(".csv")))
            return AssociatedCommand{QStringLiteral("/usr/bin/soffice"), {QStringLiteral("--calc"), QStringLiteral("%U")}};
        if (path.endsWith(QLatin1String(".html")))
            return AssociatedCommand{QStringLiteral("/usr/bin/firefox"), {QStringLiteral("%u")}};
        if (path.endsWith(QLatin1String(".txt")))
            return AssociatedCommand{QStringLiteral("/usr/bin/gedit"), {}};
        return AssociatedCommand{};
    });
}

void ExternalProgramsTest::cleanup()
{
    setAssociationLookup({});
    delete ui_;
    ui_ = nullptr;
}

void ExternalProgramsTest::parsesExecLines_data()
{
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");   // for the target "/t/a b.csv"
    const QString t = QStringLiteral("/t/a b.csv");
    QTest::newRow("plain") << "gedit %U" << "gedit" << QStringList{t};
    QTest::newRow("options kept") << "libreoffice --calc %U" << "libreoffice" << QStringList{"--calc", t};
    QTest::newRow("env prefix") << "env LANG=C app %f" << "env" << QStringList{"LANG=C", "app", t};
    QTest::newRow("quoted program") << R"("/opt/My App/run" --open %f)" << "/opt/My App/run" << QStringList{"--open", t};
    QTest::newRow("escapes in quotes") << R"(sh -c "echo \\"\$1\\"" %f)" << "sh" << QStringList{"-c", "echo \"$1\"", t};
    QTest::newRow("other codes dropped") << "app --icon %i %c %k %F %u" << "app" << QStringList{"--icon", t};
    QTest::newRow("code inside an argument") << "app --file=%f" << "app" << QStringList{"--file=" + t};
    QTest::newRow("percent escape") << "app 100%% %f" << "app" << QStringList{"100%", t};
    QTest::newRow("string escape \\s") << R"("app\sname" a\sb)" << "app name" << QStringList{"a", "b", t};
}

void ExternalProgramsTest::parsesExecLines()
{
    QFETCH(QString, exec);
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    const AssociatedCommand command = parseDesktopExec(exec);
    QCOMPARE(command.program, program);
    QCOMPARE(command.argumentsFor(QStringLiteral("/t/a b.csv")), arguments);
}

// Real desktop entries in a desktop of the test's own: a missing program falls back to the parent
// type's; a program that needs a terminal runs in the terminal emulator, or not at all; a web
// page never falls back to the text editor.
void ExternalProgramsTest::findsDesktopAssociation()
{
    setAssociationLookup({});
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-mime")).isEmpty()) QSKIP("xdg-mime is not installed");
    QTemporaryDir home;
    const char* names[] = {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CURRENT_DESKTOP", "TERMINAL", "PATH"};
    QList<QByteArray> saved;
    for (const char* name : names) saved << qgetenv(name);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    // The system folders stay for the type database; our own entries come first.
    qputenv("XDG_DATA_DIRS", QFile::encodeName(home.filePath(QStringLiteral("nodata"))) + ":/usr/local/share:/usr/share");
    qunsetenv("XDG_CURRENT_DESKTOP");
    writeFile(home.filePath(QStringLiteral("config/mimeapps.list")),
              "[Default Applications]\ntext/csv=qvortest-sheet.desktop\ntext/plain=qvortest-viewer.desktop\n"
              "text/x-log=qvortest-pager.desktop\n");
    // The csv program is not installed, so the csv falls back to its parent type, text/plain.
    writeFile(home.filePath(QStringLiteral("data/applications/qvortest-sheet.desktop")),
              "[Desktop Entry]\nType=Application\nName=Sheet\nExec=qvortest-no-such-program %f\n");
    writeFile(home.filePath(QStringLiteral("data/applications/qvortest-viewer.desktop")),
              "[Desktop Entry]\nType=Application\nName=Viewer\nExec=cat --show-ends %f\n[Desktop Action x]\nExec=wrong %f\n");
    writeFile(home.filePath(QStringLiteral("data/applications/qvortest-pager.desktop")),
              "[Desktop Entry]\nType=Application\nName=Pager\nTerminal=true\nExec=/bin/cat -n %f\n");
    const QString terminal = home.filePath(QStringLiteral("bin/my-terminal"));
    writeFile(terminal, "#!/bin/sh\n");
    QFile::setPermissions(terminal, QFile::ReadOwner | QFile::ExeOwner);
    const QString csv = home.filePath(QStringLiteral("my data.csv"));
    writeFile(csv, "KUNNR;NAME1\r\n0000001;Acme\r\n");
    const QString log = home.filePath(QStringLiteral("run.log"));
    writeFile(log, "started\n");
    const QString page = home.filePath(QStringLiteral("page.html"));
    writeFile(page, "<html><body>Manual</body></html>\n");
    const QString binary = home.filePath(QStringLiteral("blob.bin"));
    writeFile(binary, QByteArray("\x00\x01\x02\xff\xfe", 5));

    const AssociatedCommand command = desktopAssociation(csv);
    const AssociatedCommand none = desktopAssociation(binary);
    const AssociatedCommand missing = desktopAssociation(home.filePath(QStringLiteral("gone.csv")));
    const AssociatedCommand pageAsText = desktopAssociation(page);
    const AssociatedCommand pageInBrowser = desktopAssociation(page, RelatedTypes::Ignored);
    qputenv("TERMINAL", QFile::encodeName(terminal) + " --hold");
    const AssociatedCommand inOwnTerminal = desktopAssociation(log);
    qunsetenv("TERMINAL");
    qputenv("PATH", QFile::encodeName(home.filePath(QStringLiteral("nobin"))));
    const AssociatedCommand noTerminal = desktopAssociation(log);
    for (int i = 0; i < saved.size(); ++i) {
        if (saved[i].isNull()) qunsetenv(names[i]);
        else qputenv(names[i], saved[i]);
    }

    QCOMPARE(command.program, QStandardPaths::findExecutable(QStringLiteral("cat")));
    QCOMPARE(command.argumentsFor(csv), (QStringList{QStringLiteral("--show-ends"), csv}));
    QCOMPARE(none.program, QString());
    QCOMPARE(missing.program, QString());
    QCOMPARE(pageAsText.program, command.program);
    QCOMPARE(pageInBrowser.program, QString());
    QCOMPARE(inOwnTerminal.program, terminal);
    QCOMPARE(inOwnTerminal.argumentsFor(log), (QStringList{"--hold", "-e", "/bin/cat", "-n", log}));
    QCOMPARE(noTerminal.program, QString());
}

void ExternalProgramsTest::opensWithAssociatedProgram_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("startSucceeds");
    QTest::addColumn<int>("language");   // 1 OptEN, 2 OptPT, 3 OptPT and OptCT
    QTest::addColumn<QStringList>("texts");
    const QString csv = QStringLiteral("/home/jdoe/My Data/kna1 export.csv");
    const QString odd = QStringLiteral("/d/t.xyz");
    QTest::newRow("opens") << csv << true << 1 << QStringList{};
    QTest::newRow("no program, English") << odd << true << 1 << QStringList{"Zeq could not open " + odd};
    QTest::newRow("no program, Portuguese") << odd << true << 2 << QStringList{u"Zeq não pode abrir "_qs + odd};
    QTest::newRow("start fails") << csv << false << 1 << QStringList{"Zeq could not open " + csv};
    QTest::newRow("both tests, English first") << odd << true << 3
                                               << QStringList{"Zeq could not open " + odd, u"Zeq não pode abrir "_qs + odd};
}

void ExternalProgramsTest::opensWithAssociatedProgram()
{
    QFETCH(QString, path);
    QFETCH(bool, startSucceeds);
    QFETCH(int, language);
    QFETCH(QStringList, texts);
    appSettings().OptEN = language == 1;
    appSettings().OptPT = language >= 2;
    appSettings().OptCT = language == 3;
    ui_->startSucceeds = startSucceeds;
    OpenWithAssociatedProgram(path);
    QCOMPARE(ui_->messageTexts(), texts);
    for (const auto& m : ui_->messages) QCOMPARE(m.title, QStringLiteral("Qvor"));
    if (texts.isEmpty()) {
        QCOMPARE(panels().message(), path + QStringLiteral(" aberto"));
        // The path with its blanks stays one argument.
        QCOMPARE(ui_->starts.size(), 1);
        QCOMPARE(ui_->starts[0].program, QStringLiteral("/usr/bin/soffice"));
        QCOMPARE(ui_->starts[0].arguments, (QStringList{QStringLiteral("--calc"), path}));
    } else {
        QCOMPARE(panels().message(), QStringLiteral("Abrindo ") + path + QStringLiteral("..."));
    }
}

void ExternalProgramsTest::opensReportOnlyWhenItExists()
{
    QTemporaryDir dir;
    const QString report = dir.filePath(QStringLiteral("Fields.txt"));
    OpenReport(report);
    QCOMPARE(ui_->messageTexts(), QStringList{QStringLiteral("No File")});
    QVERIFY(ui_->starts.isEmpty());

    ui_->clear();
    writeFile(report, "KNA1-KUNNR\r\n");
    OpenReport(report);
    QVERIFY(ui_->messages.isEmpty());
    QCOMPARE(ui_->starts.size(), 1);
    QCOMPARE(ui_->starts[0].arguments, QStringList{report});
    QCOMPARE(panels().message(), QString());

    ui_->clear();
    appSettings().OptPT = true;   // one wording in both languages
    const QString noProgram = dir.filePath(QStringLiteral("Fields.unknown"));
    writeFile(noProgram, "x");
    OpenReport(noProgram);
    QCOMPARE(ui_->messageTexts(), QStringList{QStringLiteral("No File")});
}

void ExternalProgramsTest::opensAddressInBrowser()
{
    const QString address = QStringLiteral("https://example.invalid/a page?x=1&y=2");
    QString probe;
    bool probeExisted = false;
    setAssociationLookup([&](const QString& path) {
        probe = path;
        probeExisted = QFileInfo::exists(path);
        return AssociatedCommand{QStringLiteral("/usr/bin/firefox"), {QStringLiteral("--new-window"), QStringLiteral("%u")}};
    });
    OpenInBrowser(address);
    QCOMPARE(ui_->starts.size(), 1);
    QCOMPARE(ui_->starts[0].arguments, (QStringList{QStringLiteral("--new-window"), address}));
    QVERIFY(ui_->messages.isEmpty());
    // The probe was a fresh .html file of our own, gone afterwards, never beside the executable.
    QVERIFY(probe.endsWith(QLatin1String(".html")));
    QVERIFY(probeExisted);
    QVERIFY(!QFileInfo::exists(probe));
    QVERIFY(QFileInfo(probe).absolutePath() != QCoreApplication::applicationDirPath());
}

void ExternalProgramsTest::reportsMissingBrowser()
{
    setAssociationLookup([](const QString&) { return AssociatedCommand{}; });
    OpenInBrowser(QStringLiteral("https://example.invalid"));
    appSettings().OptEN = false;
    appSettings().OptPT = true;
    OpenInBrowser(QStringLiteral("https://example.invalid"));
    QCOMPARE(ui_->messageTexts(), (QStringList{QStringLiteral("Sorry, I did not find your Browser"),
                                               QStringLiteral(u"Desculpe, não encontrei o seu Browser")}));
    QVERIFY(ui_->starts.isEmpty());
}

void ExternalProgramsTest::showsHelpBesideExecutable()
{
    const QString help = helpFilePath();
    QCOMPARE(help, QCoreApplication::applicationDirPath() + QStringLiteral("/help/index.html"));
    QCOMPARE(homePageAddress(), QUrl::fromLocalFile(help).toString());
    QVERIFY(supportAddress().startsWith(QLatin1String("file:///")));

    const bool existed = QFileInfo::exists(help);
    if (!existed) {
        ShowHelp();
        QCOMPARE(ui_->messageTexts(), QStringList{QStringLiteral("The help could not be opened: ") + help});
        QVERIFY(ui_->starts.isEmpty());
        ui_->clear();
        writeFile(help, "<html></html>");
    }
    ShowHelp();
    QVERIFY(ui_->messages.isEmpty());
    QCOMPARE(ui_->starts.size(), 1);
    QCOMPARE(ui_->starts[0].program, QStringLiteral("/usr/bin/firefox"));
    QCOMPARE(ui_->starts[0].arguments, QStringList{help});
    // Without a browser it says so.
    ui_->clear();
    setAssociationLookup([](const QString&) { return AssociatedCommand{}; });
    ShowHelp();
    if (!existed) QDir(QFileInfo(help).absolutePath()).removeRecursively();
    QCOMPARE(ui_->messageTexts(), QStringList{QStringLiteral("Sorry, I did not find your Browser")});
    QVERIFY(ui_->starts.isEmpty());
}

void ExternalProgramsTest::findsFileInTree()
{
    QTemporaryDir dir;
    const QString root = dir.path();
    QFile::setPermissions(root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                                    | QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
    writeFile(root + QStringLiteral("/a locked/guilogon"), "");
    writeFile(root + QStringLiteral("/m/deep/er/guilogon"), "");
    writeFile(root + QStringLiteral("/z/guilogon"), "");
    writeFile(root + QStringLiteral("/b/Guilogon"), "");
    QVERIFY(QDir().mkpath(root + QStringLiteral("/c/guilogon")));   // a folder of that name is no match
    QVERIFY(QFile::link(root, root + QStringLiteral("/b loop")));            // back to the root
    QVERIFY(QFile::link(root + QStringLiteral("/m"), root + QStringLiteral("/m/deep/up")));
    QVERIFY(QFile::setPermissions(root + QStringLiteral("/a locked"), {}));

    // Nearest level first: z/guilogon is found before m/deep/er/guilogon; the locked folder is skipped.
    QCOMPARE(findAsUnprivileged(root, QStringLiteral("guilogon")), root + QStringLiteral("/z/guilogon"));
    QCOMPARE(findAsUnprivileged(root + QStringLiteral("/m"), QStringLiteral("guilogon")),
             root + QStringLiteral("/m/deep/er/guilogon"));
    QCOMPARE(findAsUnprivileged(root, QStringLiteral("absent")), QString());
    QCOMPARE(FindFileInTree(root, QStringLiteral("GUILOGON")), QString());
    QCOMPARE(FindFileInTree(root + QStringLiteral("/none"), QStringLiteral("guilogon")), QString());
    QFile::setPermissions(root + QStringLiteral("/a locked"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QTEST_GUILESS_MAIN(ExternalProgramsTest)
#include "external_programs.moc"
