// Preview and Import Table run from the main window's commands against a demo database file:
// two tables previewed side by side under several row limits, an import compared byte for byte
// with what qvor-extract writes for the same query, the ways an import stops before any call, and
// an import read in partitions over parallel sessions that stops and is continued.
#include "FrameFixture.h"
#include "support/HeldLock.h"
#include "support/ToolPaths.h"

#include "app/ImportOptionsDialog.h"
#include "app/MainWindow.h"
#include "app/Workspace.h"
#include "demosystem/DataGenerator.h"
#include "querywindow/OptionsEditor.h"
#include "querywindow/PreviewAndImport.h"
#include "querywindow/PreviewPane.h"
#include "querywindow/PreviewTableModel.h"
#include "querywindow/QTableSaving.h"
#include "querywindow/QueryWindow.h"
#include "querywindow/RowsStrip.h"
#include "querywindow/WindowRegistry.h"
#include "sap/EmbeddedTransport.h"
#include "sap/SapConnection.h"
#include "tableaccess/ExtractionBuffers.h"
#include "tableaccess/FieldCatalogue.h"
#include "tableaccess/QTableFile.h"
#include "tableaccess/ResumeState.h"
#include "util/CommandRegistry.h"
#include "util/ExternalPrograms.h"
#include "util/StatusPanels.h"
#include "util/UiTexts.h"
#include "util/widgets/ProgressStrip.h"
#include "support/FileBytes.h"
#include "support/CatalogueFields.h"

#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QProcess>
#include <QSpinBox>
#include <QtTest>


using namespace qvor;
using namespace qvor::test;

namespace {

const QString Viewer = QStringLiteral("/usr/bin/viewer");


} // namespace

class ImportAndPreviewTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FrameFixture> fx_;
    std::unique_ptr<MainWindow> main_;
    QTemporaryDir data_;
    std::vector<MyTableField> bseg_, t001_;

    QueryWindow* window() const { return qobject_cast<QueryWindow*>(main_->workspace()->activeQueryWindow()); }

    QueryWindow* newWindowWith(const std::vector<MyTableField>& fields, const QString& limit)
    {
        main_->runCommand(QStringLiteral("mnewqtable"));
        QueryWindow* q = window();
        if (!q) return nullptr;
        myTableBuffer().fields = fields;
        q->PasteListItem();
        q->rowsStrip().rowLimitBox()->setText(limit);
        return q;
    }

    static void waitUntilDone(QueryWindow* q) { QTRY_VERIFY_WITH_TIMEOUT(!q->rowsFromSap().running(), 60000); }

private Q_SLOTS:
    void initTestCase()
    {
        fx_ = std::make_unique<FrameFixture>();
        // A database file, so that qvor-extract reads the very same rows as this process.
        qputenv("QVOR_DEMO_DATABASE", QFile::encodeName(data_.filePath(QStringLiteral("demo.sqlite"))));
        qputenv("QVOR_RETRY_PAUSE_MS", "100");
        main_ = fx_->start();
        fx_->services.logonAnswers.push_back(LogonEntry{"DEMO", "001", "DEMO", "demo", "EN"});
        sapConnection().Connect();
        QVERIFY(sapConnection().connected());
        bseg_ = test::catalogueFields(QStringLiteral("BSEG"), {"BUKRS", "BELNR", "GJAHR"});
        t001_ = test::catalogueFields(QStringLiteral("T001"), {"BUKRS", "BUTXT"});
        QCOMPARE(bseg_.size(), 3u);
        QCOMPARE(t001_.size(), 2u);
    }
    void cleanupTestCase()
    {
        sapConnection().Disconnect();
        main_.reset();
        fx_.reset();
    }
    void init()
    {
        setAssociationLookup([](const QString&) { return AssociatedCommand{Viewer, {}}; });
        fx_->services.clear();
    }
    void cleanup()
    {
        setAssociationLookup({});
        for (QMdiSubWindow* sub : main_->workspace()->subWindowList()) sub->close();
        QTest::qWait(0);
        windowRegistry().clear();
    }

    void previewShowsTwoTablesSideBySide_data()
    {
        QTest::addColumn<QString>("limit");
        QTest::addColumn<int>("rows");
        QTest::newRow("all rows: 500") << "0" << 500;
        QTest::newRow("20") << "20" << 20;
        QTest::newRow("above 500: 500") << "2000" << 500;
        QTest::newRow("empty box: 500") << "" << 500;
        QTest::newRow("3.5 rounds to even 4") << "3.5" << 4;
    }
    void previewShowsTwoTablesSideBySide()
    {
        QFETCH(QString, limit);
        QFETCH(int, rows);
        std::vector<MyTableField> fields = bseg_;
        fields.insert(fields.end(), t001_.begin(), t001_.end());
        QueryWindow* q = newWindowWith(fields, limit);
        QVERIFY(q);
        commands().setEnabled(QStringLiteral("mprintpreview"), false);

        main_->toolbarButton(QStringLiteral("Preview"))->trigger();
        waitUntilDone(q);

        const PreviewTableModel& model = q->preview()->previewModel();
        QCOMPARE(model.headers(), QStringList({"Row", bseg_[0].text, bseg_[1].text, bseg_[2].text, t001_[0].text,
                                               t001_[1].text}));
        QCOMPARE(model.rowCount(), std::min(rows, demo::DataGenerator::BsegRowsPerScale));
        QCOMPARE(model.cell(0, 0), QStringLiteral("001"));
        QCOMPARE(model.cell(rows - 1, 0), QStringLiteral("%1").arg(rows, 3, 10, QLatin1Char('0')));
        // Every BSEG row is filled; the company codes follow from row 1 as far as T001 has rows.
        int companies = 0;
        for (int r = 0; r < model.rowCount(); ++r) {
            QCOMPARE(model.cell(r, 2).trimmed().size(), 10);
            QCOMPARE(model.cell(r, 3).trimmed().size(), 4);
            if (model.cell(r, 4).trimmed().isEmpty()) continue;
            QCOMPARE(r, companies);   // filled rows come first, with no gap
            ++companies;
        }
        QVERIFY(companies > 0);
        QCOMPARE(model.cell(0, 4).trimmed().size(), 4);
        QVERIFY(panels().message().startsWith(QStringLiteral("My Table > 5 Fields %1 Rows").arg(model.rowCount())));
        QVERIFY(commands().isEnabled(QStringLiteral("mprintpreview")));
        QVERIFY(commands().isEnabled(QStringLiteral("mcloseqpreview")));
        QVERIFY(fx_->services.messages.isEmpty());
        QVERIFY(fx_->services.starts.isEmpty());
    }

    void importWritesWhatTheExtractToolWrites()
    {
        std::vector<MyTableField> fields = t001_;
        fields.insert(fields.end(), bseg_.begin(), bseg_.end());
        QueryWindow* q = newWindowWith(fields, QStringLiteral("0"));
        QVERIFY(q);
        q->options().RestoreOptions({QStringLiteral("BSEG-GJAHR GE '2000' ")});
        appSettings().listSeparator = QStringLiteral(";");
        ProgressStrip* strip = main_->findChild<ProgressStrip*>();
        QVERIFY(strip);
        const QString output = data_.filePath(QStringLiteral("window.csv"));
        fx_->services.fileAnswers = {output};

        main_->runCommand(QStringLiteral("mimportmytable"));
        QCOMPARE(fx_->services.fileDialogs.size(), 1);
        QCOMPARE(fx_->services.fileDialogs[0].title, QStringLiteral("Save My Table as"));
        // The proposal keeps the folder of the last output and names the first table.
        QVERIFY(fx_->services.fileDialogs[0].initialName.endsWith(QStringLiteral("T001")));
        if (q->rowsFromSap().running()) {
            QVERIFY(strip->shown());
            QCOMPARE(strip->captionBox()->text(), QStringLiteral("Downloading..."));
            // A command that would disturb the run is refused, and says why.
            main_->runCommand(QStringLiteral("mqpreview"));
            QCOMPARE(panels().message(), QStringLiteral("Please wait until the current operation has finished"));
        }
        waitUntilDone(q);
        QVERIFY(!strip->shown());
        QCOMPARE(documentValues().MyTableF, output);
        QCOMPARE(fx_->services.starts.size(), 1);
        QCOMPARE(fx_->services.starts[0].program, Viewer);
        QVERIFY(fx_->services.starts[0].arguments.join(' ').contains(output));
        QVERIFY2(panels().message().contains(QStringLiteral("was completed successfully in")), qPrintable(panels().message()));

        QVERIFY2(QFileInfo::exists(qvor::test::extractToolPath()), "qvor-extract is not built");
        QTableDocument doc = QTableSaving::PrepareQTable(*q);
        const QString query = data_.filePath(QStringLiteral("query.txt"));
        QVERIFY(QTableFile::WriteQTableFile(query, doc));
        const QString toolOutput = data_.filePath(QStringLiteral("tool.csv"));
        QCOMPARE(qvor::test::runExtract({query, toolOutput, "--separator", ";"}).exit, 0);
        const QByteArray expected = fileBytes(toolOutput);
        QVERIFY(expected.count('\n') > 100);
        QVERIFY(fileBytes(output) == expected);
    }

    void importStopsBeforeAnyCall_data()
    {
        QTest::addColumn<bool>("cancelDialog");
        QTest::newRow("save dialog cancelled") << true;
        QTest::newRow("file in use") << false;
    }
    void importStopsBeforeAnyCall()
    {
        QFETCH(bool, cancelDialog);
        QueryWindow* q = newWindowWith(t001_, QStringLiteral("0"));
        QVERIFY(q);
        const QString output = data_.filePath(QStringLiteral("in-use.csv"));
        {
            QFile f(output);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("in use\r\n");
        }
        // Open and locked in another program.
        HeldLock inUse(output, HeldLock::Kind::Flock);
        QVERIFY(inUse.held());
        fx_->services.fileAnswers = {cancelDialog ? std::nullopt : std::optional<QString>(output)};
        panels().setMessage({});

        main_->runCommand(QStringLiteral("mimportmytable"));
        QVERIFY(!q->rowsFromSap().running());
        QVERIFY(!main_->findChild<ProgressStrip*>()->shown());
        QVERIFY(fx_->services.starts.isEmpty());
        QVERIFY(panels().message().isEmpty());
        QCOMPARE(fileBytes(output), QByteArray("in use\r\n"));
        if (cancelDialog) {
            QVERIFY(fx_->services.messages.isEmpty());
        } else {
            QCOMPARE(fx_->services.messageTexts(),
                     QStringList({"Error 70: Permission denied",
                                  QStringLiteral("Please, close your %1 table and try again!").arg(output)}));
        }
        // The window stays usable: the next import with a free name runs.
        fx_->services.clear();
        fx_->services.fileAnswers = {data_.filePath(QStringLiteral("free.csv"))};
        main_->runCommand(QStringLiteral("mimportmytable"));
        waitUntilDone(q);
        QCOMPARE(fx_->services.starts.size(), 1);
    }

    void importOptionsDivideTheImportAndAStoppedOneContinues()
    {
        appSettings().listSeparator = QStringLiteral(";");
        QueryWindow* q = newWindowWith(bseg_, QStringLiteral("0"));
        QVERIFY(q);
        const QString plain = data_.filePath(QStringLiteral("plain.csv"));
        fx_->services.fileAnswers = {plain};
        main_->runCommand(QStringLiteral("mimportmytable"));
        waitUntilDone(q);

        // The field is written with its table; without one the dialog says so and stays open.
        QVERIFY(commands().action(QStringLiteral("mimportoptions")));
        ImportOptionsDialog dialog(main_.get());
        dialog.partitionFieldBox()->setText(QStringLiteral("belnr"));
        dialog.confirm();
        QCOMPARE(fx_->services.messageTexts().value(0), tx(TextId::ImportOptionsFieldWithTable).arg("BELNR"));
        QVERIFY(appSettings().importPartition.isEmpty());
        dialog.partitionFieldBox()->setText(QStringLiteral("bseg-belnr"));
        dialog.partitionsBox()->setValue(4);
        dialog.sessionsBox()->setValue(2);
        dialog.confirm();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(appSettings().importPartition, QStringLiteral("BSEG-BELNR:4"));
        QCOMPARE(appSettings().importSessions, 2);

        // Two partitions in (the plan reads the catalogue, the key fields and a sample first),
        // then every read is lost: the import stops and keeps what it has.
        const QString output = data_.filePath(QStringLiteral("parts.csv"));
        fx_->services.clear();
        fx_->services.fileAnswers = {output};
        EmbeddedTransport::loseReadsForTests(0, 3 + 2 + 1);
        main_->runCommand(QStringLiteral("mimportmytable"));
        waitUntilDone(q);
        EmbeddedTransport::loseReadsForTests(0);
        QVERIFY2(fx_->services.messageTexts().contains(tx(TextId::ChunkStopped).arg(2).arg(4).arg(output)),
                 qPrintable(fx_->services.messageTexts().join('\n')));
        QVERIFY(fx_->services.starts.isEmpty());
        QVERIFY(QFile::exists(ResumeState::statePath(output)));

        // The same import again offers to continue it, and ends with the plain import's bytes.
        fx_->services.clear();
        fx_->services.fileAnswers = {output};
        fx_->services.messageAnswers = {MsgResult::Yes};
        main_->runCommand(QStringLiteral("mimportmytable"));
        waitUntilDone(q);
        QCOMPARE(fx_->services.messageTexts(), QStringList{tx(TextId::ImportContinueQuestion).arg(output).arg(2).arg(4)});
        QCOMPARE(fx_->services.starts.size(), 1);
        QVERIFY(fileBytes(output) == fileBytes(plain));
        QVERIFY(!QFile::exists(ResumeState::statePath(output)));
        appSettings().importPartition.clear();
        appSettings().importSessions = 1;
    }
};

QTEST_MAIN(ImportAndPreviewTest)
#include "import_and_preview.moc"
