// qvor-extract's files: query files and arguments it must refuse (exit 2, the file named, the
// output untouched), outputs that are no regular files (written into, never replaced), and a full
// disk, which must fail every file the program writes and leave the old one as it was.
#include "support/ScriptedUiServices.h"
#include "support/ToolPaths.h"
#include "tableaccess/QTableFile.h"
#include "util/AppSettings.h"
#include "util/SettingsFile.h"
#include "support/FileBytes.h"

#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace qvor;
using qvor::test::fileBytes;

namespace {

const QByteArray Query = "MyTableF      \r\nChSsl         False\r\nChRow         False\r\nsRows         5\r\n"
                         "SFI           2\r\nssField  001 C003 T001-BUKRS Company Code\r\n"
                         "ssField  002 C025 T001-BUTXT Name\r\nSOP           0\r\n";
const QByteArray Old = "the last good extract\r\n";

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

mode_t typeOf(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

test::ToolRun runTool(const QStringList& args) { return test::runExtract(args); }

} // namespace

class ExtractFilesTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString query_;
    QByteArray expected_;   // the output of Query into a regular file

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFileInfo::exists(test::extractToolPath()), "qvor-extract is not built");
        qputenv("QVOR_DEMO_DATABASE", QFile::encodeName(dir_.filePath("demo.sqlite")));
        qputenv("HOME", QFile::encodeName(dir_.path()));
        query_ = dir_.filePath("query.txt");
        QVERIFY(writeBytes(query_, Query));
        const test::ToolRun r = runTool({query_, dir_.filePath("expected.csv")});
        QCOMPARE(r.exit, 0);
        expected_ = fileBytes(dir_.filePath("expected.csv"));
        QVERIFY(expected_.startsWith("T001-BUKRS;T001-BUTXT\r\n"));
    }

    void badInputIsRefused_data()
    {
        QTest::addColumn<QByteArray>("query");   // "<...>": a path of that kind in its place
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QString>("why");
        auto utf16 = QStringEncoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
        const QByteArray wide = utf16(QString::fromLatin1(Query));
        QTest::newRow("empty") << QByteArray() << QStringList() << "the file is empty";
        QTest::newRow("binary") << QByteArray("\x7f" "ELF\x02\x01\x01\0\0\0", 10) << QStringList() << "binary data";
        QTest::newRow("UTF-16") << wide << QStringList() << "UTF-16 text";
        QTest::newRow("cut in a field") << Query.left(Query.indexOf("C025") + 2) << QStringList() << "field 2 has no valid";
        QTest::newRow("cut after the fields") << Query.left(Query.indexOf("SOP")) << QStringList() << "cut short";
        QTest::newRow("no fields") << QByteArray("MyTableF      \r\nSFI           0\r\nSOP           0\r\n")
                                   << QStringList() << "no fields";
        QTest::newRow("length zero") << QByteArray(Query).replace("C003", "C000") << QStringList() << "field 1 has no valid";
        QTest::newRow("length not a number") << QByteArray(Query).replace("C003", "Cx03") << QStringList() << "field 1 has no valid";
        QTest::newRow("larger than 16 MiB") << QByteArray("<large>") << QStringList() << "larger than 16 MiB";
        QTest::newRow("a device") << QByteArray("</dev/zero>") << QStringList() << "not a regular file";
        QTest::newRow("output is the query") << Query << QStringList{"<query>"} << "would replace the query file";
        QTest::newRow("output links to the query") << Query << QStringList{"<link>"} << "would replace the query file";
        for (const char* s : {"", "ABC", " ", "\x01"})
            QTest::addRow("separator '%s'", s) << Query << QStringList{"--separator", s} << "--separator needs";
    }
    void badInputIsRefused()
    {
        QFETCH(QByteArray, query);
        QFETCH(QStringList, extra);
        QFETCH(QString, why);
        QString path = dir_.filePath("bad.txt");
        QFile::remove(path);
        if (query == "<large>") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.resize((qint64(16) << 20) + 1));
        } else if (query.startsWith('<')) {
            path = QString::fromLatin1(query.mid(1, query.size() - 2));
        } else {
            QVERIFY(writeBytes(path, query));
        }
        QString output = dir_.filePath("out.csv");
        QVERIFY(writeBytes(output, Old));
        if (extra.value(0) == "<query>") output = path;
        if (extra.value(0) == "<link>") {
            output = dir_.filePath("link.csv");
            QFile::remove(output);
            QVERIFY(QFile::link(path, output));
        }
        if (extra.value(0).startsWith('<')) extra.removeFirst();
        const QByteArray before = fileBytes(output);

        const test::ToolRun r = runTool(QStringList{path, output} + extra);
        QCOMPARE(r.exit, 2);
        QVERIFY2(r.err.contains(why.toUtf8()), r.err.constData());
        if (!extra.contains("--separator")) QVERIFY2(r.err.contains(QFile::encodeName(path)), r.err.constData());
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(fileBytes(output), before);
    }

    // Control characters in a message (here of a file name; likewise of a server's text) never
    // reach the terminal raw.
    void messagesAreEscaped()
    {
        const test::ToolRun r = runTool({dir_.filePath("no\x1b[2Jsuch.txt"), dir_.filePath("out.csv")});
        QCOMPARE(r.exit, 2);
        QVERIFY2(r.err.contains("no\\x1b[2Jsuch.txt") && !r.err.contains('\x1b'), r.err.constData());
    }

    // A FIFO, a character device and standard output are written into and stay what they were; a
    // full device is exit 3 with the system's complaint.
    void outputsThatAreNoFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO read by another program") << "fifo";
        QTest::newRow("character device") << "null";
        QTest::newRow("standard output") << "-";
        QTest::newRow("full device") << "full";
    }
    void outputsThatAreNoFiles()
    {
        QFETCH(QString, kind);
        QString path = kind;
        QProcess reader;
        if (kind == "fifo") {
            path = dir_.filePath("pipe");
            QFile::remove(path);
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
            reader.start("cat", {path});
            QVERIFY(reader.waitForStarted());
        } else if (kind != "-") {
            // Copies of /dev/null and /dev/full: a program that replaced them would break only these.
            path = dir_.filePath(kind);
            QFile::remove(path);
            if (::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0600, makedev(1, kind == "full" ? 7 : 3)) != 0)
                QSKIP("mknod is not permitted here");
        }
        const mode_t type = typeOf(path);

        // The FIFO's reader may not have opened its end yet: the tool says so, and is tried again.
        test::ToolRun r = runTool({query_, path});
        for (int i = 0; kind == "fifo" && r.exit == 3 && i < 50; ++i) {
            QTest::qWait(50);
            r = runTool({query_, path});
        }
        if (kind == "full") {
            QCOMPARE(r.exit, 3);
            QVERIFY2(r.err.contains("Disk full"), r.err.constData());
        } else {
            QCOMPARE(r.exit, 0);
        }
        if (kind == "-") {
            QCOMPARE(r.out, expected_);
            QVERIFY(r.err.contains("completed successfully"));
            return;
        }
        QCOMPARE(typeOf(path), type);
        if (kind == "fifo") {
            QVERIFY(reader.waitForFinished(10000));
            QCOMPARE(reader.readAllStandardOutput(), expected_);
        }
    }

    // A 64 KiB file system filled up: the output, a query file and Qvor.ini each fail with
    // "Disk full" and stay as they were.
    void fullDiskFailsEveryFile()
    {
        const QString mnt = dir_.filePath("small");
        QVERIFY(QDir().mkpath(mnt));
        if (::mount("tmpfs", QFile::encodeName(mnt).constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("mounting a small file system is not permitted here");
        struct Unmount {
            QByteArray path;
            ~Unmount() { ::umount2(path.constData(), MNT_DETACH); }
        } unmount{QFile::encodeName(mnt)};
        const QString output = mnt + "/out.csv";
        const QString query = mnt + "/query.txt";
        const QString ini = mnt + "/Qvor.ini";
        for (const QString& p : {output, query, ini}) QVERIFY(writeBytes(p, Old));
        {
            QFile fill(mnt + "/fill");
            QVERIFY(fill.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            const QByteArray block(4096, 'x');
            while (fill.write(block) == block.size()) {}
        }

        const test::ToolRun r = runTool({query_, output});
        QCOMPARE(r.exit, 3);
        QVERIFY2(r.err.contains("Disk full"), r.err.constData());
        QVERIFY(r.out.isEmpty());

        test::ScriptedUiServices ui;
        QTableDocument doc;
        doc.fieldCount = 1;
        doc.ssField << "C003 T001-BUKRS Company Code";
        QVERIFY(!QTableFile::WriteQTableFile(query, doc));
        QCOMPARE(ui.messageTexts(), QStringList{"Error 61: Disk full"});
        AppError error;
        QVERIFY(!writeSettings(ini, AppSettings{}, &error));
        QCOMPARE(error.text(), QStringLiteral("Error 61: Disk full"));
        for (const QString& p : {output, query, ini}) QCOMPARE(fileBytes(p), Old);
    }
};

QTEST_GUILESS_MAIN(ExtractFilesTest)
#include "extract_files.moc"
