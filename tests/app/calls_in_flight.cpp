// Import and Preview through the real query window while the user goes on working, on the embedded
// demo system and over SOAP with a slow server: opening a table, the rows strip, a catalogue read
// that empties the function component meanwhile, closing the window or the program. Nothing may free
// the running call: the run ends with all its rows, and the same connection serves the next command.
#include "FrameFixture.h"

#include "app/MainWindow.h"
#include "app/Workspace.h"
#include "demosystem/DemoSystem.h"
#include "querywindow/FieldListsController.h"
#include "querywindow/FieldListModel.h"
#include "querywindow/PreviewAndImport.h"
#include "querywindow/PreviewPane.h"
#include "querywindow/PreviewTableModel.h"
#include "querywindow/QueryWindow.h"
#include "querywindow/RowsStrip.h"
#include "querywindow/TableTreePane.h"
#include "querywindow/WindowRegistry.h"
#include "sap/ComponentFactory.h"
#include "sap/EmbeddedTransport.h"
#include "sap/SapConnection.h"
#include "support/DemoServerProcess.h"
#include "tableaccess/ExtractionBuffers.h"
#include "tableaccess/FieldCatalogue.h"
#include "tableaccess/ImportRunner.h"
#include "util/CommandRegistry.h"
#include "util/ExternalPrograms.h"
#include "util/widgets/ProgressStrip.h"
#include "support/FileBytes.h"
#include "support/CatalogueFields.h"

#include <QLineEdit>
#include <QMdiSubWindow>
#include <QToolButton>
#include <QToolTip>
#include <QtTest>

using namespace qvor;
using namespace qvor::test;

namespace {

constexpr int CallDelayMs = 300;
const QString Busy = QStringLiteral("Please wait until the current operation has finished");

demo::DemoSystem& embeddedDemo()
{
    std::string error;
    return *EmbeddedTransport::sharedDemoSystem(&error);
}

} // namespace

class CallsInFlightTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FrameFixture> fx_;
    std::unique_ptr<MainWindow> main_;
    DemoServerProcess slowServer_;
    QTemporaryDir data_;
    std::vector<MyTableField> wide_;

    ProgressStrip* strip() const { return main_->findChild<ProgressStrip*>(); }

    QueryWindow* window() const { return qobject_cast<QueryWindow*>(main_->workspace()->activeQueryWindow()); }

    // A new query window on the transport with the wide field list and a limit of 20 rows.
    QueryWindow* wideQueryWindow(const QString& transport)
    {
        useTransport(transport);
        if (QTest::currentTestFailed()) return nullptr;
        main_->runCommand(QStringLiteral("mnewqtable"));
        QueryWindow* q = window();
        if (!q) return nullptr;
        myTableBuffer().fields = wide_;
        q->PasteListItem();
        q->rowsStrip().rowLimitBox()->setText(QStringLiteral("20"));
        return q;
    }

    void logOn(const QString& system)
    {
        sapConnection().Disconnect();
        fx_->services.logonAnswers.push_back(LogonEntry{system, "001", "DEMO", "demo", "EN"});
        sapConnection().Connect();
        QVERIFY(sapConnection().connected());
    }

    void useTransport(const QString& transport)
    {
        if (transport == QLatin1String("soap")) {
            QVERIFY2(slowServer_.running(), "qvor-demo-server is not built");
            embeddedDemo().setCallDelay(std::chrono::milliseconds(0));
            logOn(QStringLiteral("SLOW"));
        } else {
            embeddedDemo().setCallDelay(std::chrono::milliseconds(CallDelayMs));
            logOn(QStringLiteral("DEMO"));
        }
    }

    // Waits until the run has a call on its way (the panel names the table it reads).
    void waitForCall(QueryWindow* q)
    {
        QTRY_VERIFY_WITH_TIMEOUT(q->rowsFromSap().running() && panels().message().startsWith(QStringLiteral("Processing RFC for")), 10000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        fx_ = std::make_unique<FrameFixture>();
        EmbeddedTransport::useInMemoryDemoForTests();
        appSettings().ssAddTab = {QStringLiteral("KNA1")};
        appSettings().SAT = 1;
        main_ = fx_->start();
        QVERIFY2(slowServer_.start({QStringLiteral("--delay"), QString::number(CallDelayMs)}), qPrintable(slowServer_.error()));
        SystemEntry slow;
        slow.name = QStringLiteral("SLOW");
        slow.address = slowServer_.address();
        sapConnection().componentFactory().addSystem(slow);
        logOn(QStringLiteral("DEMO"));
        wide_ = catalogueFields(QStringLiteral("BSEG"), 0, 60);   // wide enough for several calls
        QCOMPARE(wide_.size(), std::size_t(60));
    }
    void cleanupTestCase()
    {
        embeddedDemo().setCallDelay(std::chrono::milliseconds(0));
        sapConnection().Disconnect();
        main_.reset();
        fx_.reset();
    }
    void init()
    {
        setAssociationLookup([](const QString&) { return AssociatedCommand{QStringLiteral("/usr/bin/viewer"), {}}; });
        fx_->services.clear();
    }
    void cleanup()
    {
        setAssociationLookup({});
        embeddedDemo().setCallDelay(std::chrono::milliseconds(0));
        for (QMdiSubWindow* sub : main_->workspace()->subWindowList()) sub->close();
        QTest::qWait(0);
        windowRegistry().clear();
    }

    void runSurvivesWhatTheUserDoesMeanwhile_data()
    {
        QTest::addColumn<QString>("transport");
        QTest::addColumn<bool>("import");
        for (const char* transport : {"embedded", "soap"}) {
            QTest::addRow("%s import", transport) << transport << true;
            QTest::addRow("%s preview", transport) << transport << false;
        }
    }
    void runSurvivesWhatTheUserDoesMeanwhile()
    {
        QFETCH(QString, transport);
        QFETCH(bool, import);
        QueryWindow* q = wideQueryWindow(transport);
        QVERIFY(q);
        const QString output = data_.filePath(transport + QStringLiteral(".csv"));
        fx_->services.fileAnswers = {output};
        QSignalSpy finished(q->rowsFromSap().runner(), &ImportRunner::finished);

        main_->runCommand(import ? QStringLiteral("mimportmytable") : QStringLiteral("mqpreview"));
        waitForCall(q);
        QVERIFY(q->rowsFromSap().runner()->groups().count() >= 2);

        // Opening a table and the rows strip's Preview are refused, and say why.
        panels().setMessage({});
        QTreeWidgetItem* kna1 = q->tree()->itemOfKey(QStringLiteral("KNA1"));
        QVERIFY(kna1);
        q->tree()->setCurrentItem(kna1);
        q->tree()->OpenOrClose();
        QCOMPARE(panels().message(), Busy);
        QCOMPARE(q->lists().fields().rowCount(), 0);
        panels().setMessage({});
        q->rowsStrip().button(4)->click();
        QCOMPARE(panels().message(), Busy);
        // Closing the window or the program waits for the run.
        QVERIFY(!q->parentWidget()->close());
        QVERIFY(!main_->close());
        // With the toolbar and the status bar hidden nothing else would show the busy text.
        QVERIFY(!appSettings().Tool && !appSettings().Status);
        QCOMPARE(fx_->services.messageTexts(), QStringList(4, Busy));
        fx_->services.clear();
        // With the toolbar shown, it shows as a tool tip at the Cancel button.
        main_->toggleToolbar();
        QTRY_VERIFY(strip()->cancelButton()->isVisible());
        q->rowsStrip().button(4)->click();
        QTRY_COMPARE(QToolTip::text(), Busy);
        QVERIFY(fx_->services.messages.isEmpty());
        main_->toggleToolbar();

        // Whatever gets past the guard may empty the function component meanwhile: a catalogue
        // read does RemoveAll before its own call. The running call keeps its function object.
        waitForCall(q);
        std::vector<FieldEntry> t000;
        QVERIFY(GetFields(QStringLiteral("T000"), &t000));
        QVERIFY(!t000.empty());

        if (finished.isEmpty()) QVERIFY(finished.wait(60000));
        QCOMPARE(q->rowsFromSap().runner()->outcome(), ImportRunner::Outcome::Done);
        QCOMPARE(fx_->services.messageTexts(), QStringList());
        if (import) QCOMPARE(fileBytes(output).count("\r\n"), 2 + 20);
        else QCOMPARE(q->preview()->previewModel().rowCount(), 20);

        // The same connection serves the next command, and the tree opens its table now.
        q->tree()->OpenOrClose();
        QTRY_VERIFY_WITH_TIMEOUT(q->lists().fields().rowCount() > 0, 10000);
        QVERIFY(sapConnection().connected());
    }

    // Cancel stops the run at once whichever way the user asks, fetches and writes nothing more,
    // leaves the previous output as it was, and the same connection serves the next preview.
    void cancelStopsTheRunAndKeepsTheConnection_data()
    {
        QTest::addColumn<QString>("transport");
        QTest::addColumn<bool>("import");
        QTest::addColumn<QString>("way");
        QTest::newRow("embedded import, Escape") << "embedded" << true << "escape";
        QTest::newRow("embedded preview, menu") << "embedded" << false << "menu";
        QTest::newRow("soap import, button") << "soap" << true << "button";
        QTest::newRow("soap preview, Escape") << "soap" << false << "escape";
    }
    void cancelStopsTheRunAndKeepsTheConnection()
    {
        QFETCH(QString, transport);
        QFETCH(bool, import);
        QFETCH(QString, way);
        QueryWindow* q = wideQueryWindow(transport);
        QVERIFY(q);
        const QString output = data_.filePath(QStringLiteral("previous.csv"));
        {
            QFile f(output);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("previous\r\n");
        }
        fx_->services.fileAnswers = {output};
        QSignalSpy finished(q->rowsFromSap().runner(), &ImportRunner::finished);
        if (!appSettings().Tool) main_->toggleToolbar();

        main_->runCommand(import ? QStringLiteral("mimportmytable") : QStringLiteral("mqpreview"));
        waitForCall(q);
        QVERIFY(commands().isEnabled(QStringLiteral("mcancel")));
        QElapsedTimer clock;
        clock.start();
        if (way == QLatin1String("escape")) {
            main_->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(main_.get()));
            QTest::keyClick(q->tree(), Qt::Key_Escape);
        } else if (way == QLatin1String("menu")) {
            commands().action(QStringLiteral("mcancel"))->trigger();
        } else {
            QTRY_VERIFY(strip()->cancelButton()->isVisible());
            strip()->cancelButton()->click();
        }
        if (finished.isEmpty()) QVERIFY(finished.wait(5000));
        QVERIFY2(clock.elapsed() < 2 * CallDelayMs + 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(q->rowsFromSap().runner()->outcome(), ImportRunner::Outcome::Cancelled);
        QCOMPARE(panels().message(), QStringLiteral("Cancelled: nothing was changed"));
        QCOMPARE(fx_->services.messageTexts(), QStringList());
        QVERIFY(fx_->services.starts.isEmpty());
        QCOMPARE(fileBytes(output), QByteArray("previous\r\n"));
        QTRY_VERIFY(!strip()->shown());
        QVERIFY(!strip()->cancelButton()->isVisible());
        QVERIFY(!commands().isEnabled(QStringLiteral("mcancel")));
        main_->toggleToolbar();

        main_->runCommand(QStringLiteral("mqpreview"));
        if (finished.size() < 2) QVERIFY(finished.wait(60000));
        QCOMPARE(q->rowsFromSap().runner()->outcome(), ImportRunner::Outcome::Done);
        QCOMPARE(q->preview()->previewModel().rowCount(), 20);
        QVERIFY(sapConnection().connected());
    }
};

QTEST_MAIN(CallsInFlightTest)
#include "calls_in_flight.moc"
