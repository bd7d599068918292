// The output file: path proposals, the check, header lines, the written bytes, the elapsed time
// and the completion text.
#include "support/HeldLock.h"
#include "support/ScriptedUiServices.h"
#include "tableaccess/MyTableFileWriter.h"
#include "tableaccess/OutputFile.h"
#include "util/AppSettings.h"
#include "util/StatusPanels.h"
#include "support/FileBytes.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace qvor;
using qvor::test::fileBytes;

namespace {

MyTableBuffer twoFields()
{
    MyTableBuffer b;
    b.fields.push_back({"KNA1-KUNNR", "Customer Number", "C", 10});
    b.fields.push_back({"KNA1-NAME1", "Name 1", "C", 35});
    return b;
}

} // namespace

class OutputFileTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { appSettings() = {}; }

    void proposals_data()
    {
        QTest::addColumn<QString>("previous");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("expected");
        QTest::newRow("first import") << "" << "KNA1" << "KNA1";
        QTest::newRow("namespace") << "/home/u/out/KNA1.csv" << "/ABC/TABLE" << "/home/u/out/_ABC_TABLE";
        QTest::newRow("backslash folder") << "C:\\data\\x.csv" << "KNB1" << "C:\\data\\KNB1";
        QTest::newRow("later of both") << "C:\\a/b\\c.csv" << "T001" << "C:\\a/b\\T001";
        QTest::newRow("bare previous name") << "old.csv" << "MARA" << "MARA";
    }
    void proposals()
    {
        QFETCH(QString, previous);
        QFETCH(QString, table);
        QFETCH(QString, expected);
        QCOMPARE(OutputFile::proposedPath(previous, table), expected);
    }

    void saveMyTableAsCancelKeepsProposal()
    {
        test::ScriptedUiServices ui;
        ui.fileAnswers.push_back(std::nullopt);
        QString path = QStringLiteral("/tmp/x/old.csv");
        QVERIFY(!OutputFile::SaveMyTableAs(QStringLiteral("/ABC/T"), path));
        QCOMPARE(path, QStringLiteral("/tmp/x/_ABC_T"));
        QCOMPARE(ui.fileDialogs.size(), 1);
        QCOMPARE(ui.fileDialogs[0].title, QStringLiteral("Save My Table as"));
        QCOMPARE(ui.fileDialogs[0].filter, QStringLiteral("Text (*.csv)|*.csv|Text (*.txt)|*.txt"));
        QCOMPARE(ui.fileDialogs[0].initialName, path);
        QVERIFY(ui.fileDialogs[0].confirmOverwrite);
        QVERIFY(ui.messages.isEmpty());

        appSettings().OptPT = true;
        ui.fileAnswers.push_back(std::nullopt);
        OutputFile::SaveMyTableAs(QStringLiteral("KNA1"), path);
        QCOMPARE(ui.fileDialogs[1].title, QStringLiteral("Salvar Minha Tabela como"));
    }

    // The check finds what would keep the file from being written, and never changes the file:
    // it keeps its content until a new one is complete.
    void checkOutputFileLeavesTheFileAndReports_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<QStringList>("messages");
        const QString closeIt = QStringLiteral("Please, close your %1 table and try again!");
        QTest::newRow("none") << "" << QStringList();
        QTest::newRow("locked by another program") << "flock" << QStringList{"Error 70: Permission denied", closeIt};
        QTest::newRow("record lock of another program") << "record lock" << QStringList{"Error 70: Permission denied", closeIt};
        QTest::newRow("read-only file") << "read-only" << QStringList{"Error 70: Permission denied", closeIt};
        QTest::newRow("a folder in the file's place") << "folder" << QStringList{"Error 75: Path/File access error"};
        QTest::newRow("missing folder") << "missing folder" << QStringList{"Error 76: Path not found"};
    }
    void checkOutputFileLeavesTheFileAndReports()
    {
        QFETCH(QString, obstacle);
        QFETCH(QStringList, messages);
        QTemporaryDir dir;
        test::ScriptedUiServices ui;
        QString path = dir.filePath("out.csv");
        if (obstacle == QLatin1String("folder")) QVERIFY(QDir(dir.path()).mkdir("out.csv"));
        if (obstacle == QLatin1String("missing folder")) path = dir.filePath("missing/out.csv");
        QFile f(path);
        if (!obstacle.contains(QLatin1String("folder"))) {
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old content");
            f.close();
        }
        std::unique_ptr<test::HeldLock> lock;
        if (obstacle == QLatin1String("flock") || obstacle == QLatin1String("record lock")) {
            lock = std::make_unique<test::HeldLock>(path, obstacle == QLatin1String("flock") ? test::HeldLock::Kind::Flock
                                                                                           : test::HeldLock::Kind::RecordLock);
            QVERIFY(lock->held());
        }
        if (obstacle == QLatin1String("read-only")) {
            QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
            if (QFileInfo(path).isWritable()) QSKIP("running with rights that ignore file permissions");
        }
        panels().setMessage(QStringLiteral("x"));
        QCOMPARE(OutputFile::CheckOutputFile(path), messages.isEmpty());
        for (QString& m : messages) m = m.arg(path);
        QCOMPARE(ui.messageTexts(), messages);
        QCOMPARE(panels().message(), messages.isEmpty() ? QStringLiteral("Checking ") + path : QString());
        if (!obstacle.contains(QLatin1String("folder"))) {
            QCOMPARE(fileBytes(path), QByteArray("old content"));
        }
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void headerLines_data()
    {
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("names");
        QTest::addColumn<QString>("texts");
        QTest::newRow("semicolon") << ";" << "KNA1-KUNNR;KNA1-NAME1" << "Customer Number;Name 1";
        QTest::newRow("blank") << " " << "KNA1-KUNNR KNA1-NAME1" << "Customer Number Name 1";
        // Only the last character goes: a longer separator leaves its beginning at the end.
        QTest::newRow("two characters") << "||" << "KNA1-KUNNR||KNA1-NAME1|" << "Customer Number||Name 1|";
    }
    void headerLines()
    {
        QFETCH(QString, separator);
        QFETCH(QString, names);
        QFETCH(QString, texts);
        QCOMPARE(OutputFile::fieldNamesLine(twoFields(), separator), names);
        QCOMPARE(OutputFile::fieldTextsLine(twoFields(), separator), texts);
    }

    void createdFileBytes()
    {
        QTemporaryDir dir;
        test::ScriptedUiServices ui;
        const QString path = dir.filePath("out.csv");
        RowJoiner rows(QStringLiteral(";"));
        auto store = std::make_unique<RowStore>();
        store->append("0000000001;Müller                             ");
        store->append("0000000002;Silva                              ");
        rows.addGroup(1, 1, std::move(store));
        QVERIFY(CreateMyTableFile(path, twoFields(), QStringLiteral(";"), rows));
        QCOMPARE(fileBytes(path), QByteArray("KNA1-KUNNR;KNA1-NAME1\r\nCustomer Number;Name 1\r\n"
                                           "0000000001;M\xc3\xbcller                             \r\n"
                                           "0000000002;Silva                              \r\n"));

        // No rows: the two header lines only.
        RowJoiner none(QStringLiteral(";"));
        none.addGroup(1, 1, std::make_unique<RowStore>());
        QVERIFY(CreateMyTableFile(path, twoFields(), QStringLiteral(";"), none));
        QCOMPARE(fileBytes(path), QByteArray("KNA1-KUNNR;KNA1-NAME1\r\nCustomer Number;Name 1\r\n"));
        QVERIFY(ui.messages.isEmpty());
    }

    void failedWriteLeavesOldFile()
    {
        QTemporaryDir dir;
        test::ScriptedUiServices ui;
        const QString path = dir.filePath("out.csv");
        MyTableFileWriter writer;
        AppError error;
        QVERIFY(writer.begin(path, twoFields(), QStringLiteral(";"), &error));
        QVERIFY(writer.writeRow("row", &error));
        writer.cancel();
        QVERIFY(!QFileInfo::exists(path));
        QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    }

    void elapsedText_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("expected");
        QTest::newRow("minutes") << 75.5 << "1 min 15.50 s";
        QTest::newRow("hours") << 3725.0 << "1 h 2 min 5.00 s";
        QTest::newRow("fraction") << 0.25 << "0.25 s";
        QTest::newRow("zero") << 0.0 << "0.00 s";
        QTest::newRow("hour without minutes") << 3600.5 << "1 h 0 min 0.50 s";
        QTest::newRow("just under a minute") << 59.994 << "59.99 s";
    }
    void elapsedText()
    {
        QFETCH(double, seconds);
        QFETCH(QString, expected);
        QCOMPARE(OutputFile::ElapsedText(seconds, QLocale::c()), expected);
        // The locale's decimal sign.
        QCOMPARE(OutputFile::ElapsedText(seconds, QLocale(QLocale::Portuguese, QLocale::Brazil)),
                 QString(expected).replace('.', ','));
    }

    void completionTextInBothLanguages()
    {
        QCOMPARE(OutputFile::completionText(2, 1500, 45, 75.5, QLocale::c()),
                 QStringLiteral("My Table > 2 Fields 1500 Rows 45 Bytes/Row was completed successfully in 1 min 15.50 s"));
        appSettings().OptPT = true;
        QCOMPARE(OutputFile::completionText(2, 1500, 45, 0.25, QLocale::c()),
                 QStringLiteral("Minha Tabela > 2 Campos 1500 Linhas 45 Bytes/Linha concluído com sucesso em 0.25 s"));
    }

    void dialogs()
    {
        test::ScriptedUiServices ui;
        appSettings().FolderTable = QStringLiteral("/srv/tables");
        appSettings().TableFile = QStringLiteral("kna1.csv");
        ui.fileAnswers.push_back(QStringLiteral("/srv/tables/knb1.csv"));
        QVERIFY(OutputFile::OpenTableFile(QStringLiteral("Open Table in Excel")));
        QCOMPARE(ui.fileDialogs[0].initialName, QStringLiteral("/srv/tables/kna1.csv"));
        QCOMPARE(appSettings().TableFile, QStringLiteral("/srv/tables/knb1.csv"));
        // Already inside the folder: proposed unchanged; cancel keeps the setting.
        QVERIFY(!OutputFile::OpenTableFile(QStringLiteral("Open Table in Excel")));
        QCOMPARE(ui.fileDialogs[1].initialName, QStringLiteral("/srv/tables/knb1.csv"));
        QCOMPARE(appSettings().TableFile, QStringLiteral("/srv/tables/knb1.csv"));

        appSettings().FolderTable = QStringLiteral("C:\\Tables");
        appSettings().TableFile = QStringLiteral("a.csv");
        OutputFile::OpenTableFile(QStringLiteral("x"));
        QCOMPARE(ui.fileDialogs[2].initialName, QStringLiteral("C:\\Tables\\a.csv"));

        OutputFile::OpenFileDialog(QStringLiteral("Orvane1"), OutputFile::TextFiles);
        OutputFile::SaveFileDialog(QStringLiteral("Orvane KNA1"), OutputFile::DataFiles);
        QCOMPARE(ui.fileDialogs[3].title, QStringLiteral("Open"));
        QCOMPARE(ui.fileDialogs[3].filter, QStringLiteral("Text (*.txt)|*.txt|All Files (*.*)|*.*"));
        QCOMPARE(ui.fileDialogs[4].title, QStringLiteral("Save As"));
        QVERIFY(ui.fileDialogs[4].save && ui.fileDialogs[4].confirmOverwrite);
        QCOMPARE(ui.fileDialogs[4].filter,
                 QStringLiteral("Text (*.csv)|*.csv|Text (*.txt)|*.txt|Excel (*.xls)|*.xls|All Files (*.*)|*.*"));
        appSettings().OptPT = true;
        OutputFile::OpenFileDialog({}, OutputFile::TextFiles);
        OutputFile::SaveFileDialog({}, OutputFile::TextFiles);
        QCOMPARE(ui.fileDialogs[5].title, QStringLiteral("Abrir"));
        QCOMPARE(ui.fileDialogs[6].title, QStringLiteral("Salvar como"));
    }
};

QTEST_GUILESS_MAIN(OutputFileTest)
#include "output_file.moc"
