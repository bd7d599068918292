// The logon flows of the one SAP connection against the embedded demo system (in memory).
#include "demosystem/DemoSystem.h"
#include "sap/BapiComponent.h"
#include "sap/ComponentFactory.h"
#include "sap/EmbeddedTransport.h"
#include "sap/FunctionsComponent.h"
#include "sap/SapConnection.h"
#include "sap/SystemList.h"
#include "support/ScriptedUiServices.h"
#include "util/AppSettings.h"
#include "util/ExternalPrograms.h"
#include "util/SettingsFile.h"
#include "util/StatusPanels.h"
#include "util/UiTexts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QtTest>
#include <stdexcept>

using namespace qvor;

namespace {

LogonEntry demoEntry(const QString& language = QStringLiteral("EN"), const QString& password = QStringLiteral("demo"))
{
    return {QStringLiteral("DEMO"), QStringLiteral("001"), QStringLiteral("DEMO"), password, language};
}

// Refuses (or fails unexpectedly on) every transport after the first `working` ones.
class FailingTransports : public ComponentFactory {
public:
    explicit FailingTransports(int working, bool throws = false) : working_(working), throws_(throws) {}
    std::unique_ptr<RfcTransport> createTransport(const QString& entry, QString* error) override
    {
        if (created_++ >= working_) {
            if (throws_) throw std::runtime_error("unexpected failure");
            *error = QStringLiteral("refused by the test");
            return nullptr;
        }
        return ComponentFactory::createTransport(entry, error);
    }

private:
    int working_;
    bool throws_;
    int created_ = 0;
};

QString demoHost()
{
    std::string error;
    demo::DemoSystem* demo = EmbeddedTransport::sharedDemoSystem(&error);
    return demo ? QString::fromStdString(demo->identity().host) : QString();
}

} // namespace

class SapConnectionTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<test::ScriptedUiServices> ui_;

    SapConnection& sap() { return sapConnection(); }
    void connectDemo()
    {
        ui_->logonAnswers.push_back(demoEntry());
        sap().Connect();
        QVERIFY(sap().connected());
        ui_->clear();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        setSettingsFolderForTests(dir_.path());
        EmbeddedTransport::useInMemoryDemoForTests(1);
        QDir(dir_.path()).mkpath(QStringLiteral("opt"));
        SapConnection::setReinstallSearchRoot(dir_.filePath(QStringLiteral("opt")));
        std::string error;
        QVERIFY2(EmbeddedTransport::sharedDemoSystem(&error), error.c_str());
    }

    void init()
    {
        appSettings() = {};
        appSettings().OptEN = true;
        ui_ = std::make_unique<test::ScriptedUiServices>();
        sap().setComponentFactory(nullptr);
        sap().Disconnect();
        QCoreApplication::processEvents();
        panels().setMessage(QString());
        panels().setConnection(ConnectionPicture::Disconnected, QString(), QString());
        ui_->clear();
    }

    void cleanup()
    {
        sap().setComponentFactory(nullptr);
        sap().Disconnect();
        QCoreApplication::processEvents();
        ui_.reset();
    }

    void connectShowsTheLogonInThePanel()
    {
        ui_->logonAnswers.push_back(demoEntry());
        sap().Connect();

        QVERIFY(sap().connected());
        QCOMPARE(ui_->logonPrompts, 1);
        QCOMPARE(ui_->messageTexts(), QStringList());
        QCOMPARE(panels().connectionPicture(), ConnectionPicture::Connected);
        QCOMPARE(panels().connectionText(), QStringLiteral("DEM 001 DEMO "));
        QCOMPARE(panels().connectionToolTip(), QStringLiteral("DEMO DEM 001 EN SN00 ") + demoHost());

        // The function component carries the same logon, made without asking again.
        RfcConnection& functions = sap().functions()->Connection();
        QCOMPARE(functions.IsConnected(), 1);
        QCOMPARE(functions.Password(), QStringLiteral("demo"));
        QVERIFY(functions.UseDefaultSystem());
    }

    void connectAgainReportsTheOpenLogon()
    {
        connectDemo();
        panels().setConnection(ConnectionPicture::Disconnected, QStringLiteral("stale"), QString());

        sap().Connect();

        QVERIFY(sap().connected());
        QCOMPARE(ui_->logonPrompts, 0);
        QCOMPARE(ui_->messages.size(), 1);
        QCOMPARE(ui_->messages[0].icon, MsgIcon::Information);
        QCOMPARE(ui_->messages[0].text,
                 QStringLiteral("DEMO is already connected to DEMO   \r\n\r\nSystem: DEM\r\nClient: 001\r\nLanguage: EN\r\n"
                                "System Number: 00\r\nHost: ") + demoHost() + QStringLiteral("\r\nSAP Release: 750"));
        QCOMPARE(panels().connectionText(), QStringLiteral("DEM 001 DEMO "));
    }

    void cancelledLogonLeavesNoTrace()
    {
        panels().setMessage(QStringLiteral("earlier text"));
        ui_->logonAnswers.push_back(std::nullopt);

        sap().Connect();

        QVERIFY(!sap().connected());
        QCOMPARE(ui_->messageTexts(), QStringList());
        QCOMPARE(panels().message(), QString());
        QCOMPARE(panels().connectionText(), QStringLiteral("Disconnected "));
        QCOMPARE(panels().connectionPicture(), ConnectionPicture::Disconnected);
    }

    void refusedLogonStaysInThePrompt()
    {
        ui_->logonAnswers.push_back(demoEntry(QStringLiteral("EN"), QStringLiteral("wrong")));
        ui_->logonAnswers.push_back(demoEntry());

        sap().Connect();

        QVERIFY(sap().connected());
        QCOMPARE(ui_->logonPrompts, 1);
        QCOMPARE(ui_->logonErrors, QStringList{QStringLiteral("Name or password is incorrect (repeat logon)")});
        QCOMPARE(ui_->messageTexts(), QStringList());
    }

    void unreachableAndUnknownSystemsAreRefusedClearly()
    {
        // Port 1 on the loopback: nothing listens there, so the connection is refused at once.
        SystemList list;
        list.put({QStringLiteral("PRD"), QStringLiteral("Production"), QStringLiteral("http://127.0.0.1:1"),
                  QStringLiteral("100"), QStringLiteral("EN"), QStringLiteral("JSMITH"), true});
        QVERIFY(list.save());
        LogonEntry prd = demoEntry();
        prd.systemName = QStringLiteral("PRD");
        LogonEntry unknown = demoEntry();
        unknown.systemName = QStringLiteral("NOPE");
        ui_->logonAnswers = {prd, unknown, std::nullopt};

        sap().Connect();

        QVERIFY(!sap().connected());
        QCOMPARE(ui_->logonErrors.size(), 2);
        QVERIFY2(ui_->logonErrors[0].startsWith(tx(TextId::SoapRefused).arg(QStringLiteral("PRD (127.0.0.1)"), QString()).chopped(3)),
                 qPrintable(ui_->logonErrors[0]));
        QCOMPARE(ui_->logonErrors[1], tx(TextId::SapUnknownSystem).arg(QStringLiteral("NOPE")));
        QFile::remove(list.path());
    }

    void blankLanguageAsksAgain_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("secondTryGivesOne");
        QTest::newRow("empty, then cancel") << QString() << false;
        QTest::newRow("leading blank, then cancel") << QStringLiteral(" E") << false;
        QTest::newRow("empty, then EN") << QString() << true;
    }
    void blankLanguageAsksAgain()
    {
        QFETCH(QString, language);
        QFETCH(bool, secondTryGivesOne);
        ui_->logonAnswers.push_back(demoEntry(language));
        ui_->logonAnswers.push_back(secondTryGivesOne ? std::optional(demoEntry()) : std::nullopt);

        sap().Connect();

        QCOMPARE(ui_->messageTexts(), QStringList{QStringLiteral("Enter with the language, please")});
        QCOMPARE(ui_->logonPrompts, 2);
        QCOMPARE(sap().connected(), secondTryGivesOne);
        if (!secondTryGivesOne) {
            QCOMPARE(sap().bapi()->Connection().IsConnected(), 0);
            QCOMPARE(sap().functions()->Connection().IsConnected(), 0);
            QCOMPARE(panels().connectionText(), QStringLiteral("Disconnected "));
        }
    }

    void failedSilentLogonReleasesTheComponents_data()
    {
        QTest::addColumn<bool>("portuguese");
        QTest::addColumn<QString>("message");
        QTest::newRow("English") << false << QStringLiteral(" Connection to R/3 System RFC failed! ");
        QTest::newRow("Portuguese") << true << QStringLiteral(" Conexão com R/3 System RFC não concluída! ");
    }
    void failedSilentLogonReleasesTheComponents()
    {
        QFETCH(bool, portuguese);
        QFETCH(QString, message);
        appSettings().OptEN = !portuguese;
        appSettings().OptPT = portuguese;
        sap().setComponentFactory(std::make_shared<FailingTransports>(1));
        ui_->logonAnswers.push_back(demoEntry());

        sap().Connect();

        QVERIFY(!sap().connected());
        QCOMPARE(ui_->messageTexts(), QStringList{message});
        QVERIFY(!sap().bapi());
        QVERIFY(!sap().functions());
        QCOMPARE(panels().connectionText(), QStringLiteral("Disconnected "));
        QCOMPARE(panels().connectionToolTip(), UserName() + QStringLiteral(" is not connected "));

        // The next Connect creates both components anew and logs on.
        sap().setComponentFactory(nullptr);
        ui_->clear();
        ui_->logonAnswers.push_back(demoEntry());
        sap().Connect();
        QVERIFY(sap().connected());
        QCOMPARE(ui_->logonPrompts, 1);
    }

    void unexpectedFailures()
    {
        // In the logon dialog: shown there like a refusal, the dialog stays usable.
        sap().setComponentFactory(std::make_shared<FailingTransports>(0, true));
        ui_->logonAnswers = {demoEntry(), std::nullopt};
        sap().Connect();
        QCOMPARE(ui_->logonErrors, QStringList{QStringLiteral("unexpected failure")});
        QCOMPARE(ui_->messageTexts(), QStringList());
        QVERIFY(!sap().connected());

        // In the silent logon: the components go, then the installation message and the advice.
        sap().Disconnect();
        ui_->clear();
        sap().setComponentFactory(std::make_shared<FailingTransports>(1, true));
        ui_->logonAnswers = {demoEntry()};
        sap().Connect();
        QCOMPARE(ui_->messageTexts(), (QStringList{QStringLiteral("Wdtlog.ocx is missing!"),
                                                   QStringLiteral("To solve this problem please reinstall Zeq")}));
        QVERIFY(!sap().connected());
        QVERIFY(!sap().bapi());
    }

    void missingComponentAdvisesReinstall_data()
    {
        QTest::addColumn<QString>("component");
        QTest::addColumn<bool>("sapGuiInstalled");
        QTest::newRow("BAPI, no SAP GUI") << QStringLiteral("SAP.BAPI.1") << false;
        QTest::newRow("Functions, no SAP GUI") << QStringLiteral("SAP.Functions") << false;
        QTest::newRow("BAPI, SAP GUI found") << QStringLiteral("SAP.BAPI.1") << true;
    }
    void missingComponentAdvisesReinstall()
    {
        QFETCH(QString, component);
        QFETCH(bool, sapGuiInstalled);
        const QString guiFolder = SapConnection::reinstallSearchRoot() + QStringLiteral("/SAPClients/SAPGUI/bin");
        const QString gui = guiFolder + QStringLiteral("/guilogon");
        if (sapGuiInstalled) {
            QVERIFY(QDir().mkpath(guiFolder));
            QFile f(gui);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        auto factory = std::make_shared<ComponentFactory>();
        factory->setInstalled(component, false);
        sap().setComponentFactory(factory);
        ui_->logonAnswers.push_back(demoEntry());

        sap().Connect();

        QVERIFY(!sap().connected());
        QCOMPARE(ui_->logonPrompts, 0);
        const QStringList expected{
            QStringLiteral("Component ActiveX not installed:  ") + component + QStringLiteral("\r\nSome files are missing!"),
            sapGuiInstalled ? QStringLiteral("To solve this problem please reinstall ( update ) your SAPGUI")
                            : QStringLiteral("To solve this problem please reinstall Zeq")};
        QCOMPARE(ui_->messageTexts(), expected);
        QCOMPARE(ui_->messages[1].icon, MsgIcon::Information);
        QVERIFY(ui_->maxWaitDepth >= 1);
        QCOMPARE(ui_->waitDepth, 0);
        QFile::remove(gui);
    }

    void disconnectAndCloseEndTheLogon()
    {
        connectDemo();
        sap().Disconnect();
        QVERIFY(!sap().connected());
        QVERIFY(!sap().bapi());
        QCOMPARE(panels().connectionPicture(), ConnectionPicture::Disconnected);
        QCOMPARE(panels().connectionToolTip(), UserName() + QStringLiteral(" is not connected "));

        connectDemo();
        sap().closeTimeLogoff();
        QVERIFY(!sap().connected());
        QVERIFY(!sap().bapi());
        QCOMPARE(ui_->messageTexts(), QStringList());
    }

    // A SYSTEM_FAILURE handler runs Disconnect while it still holds its function object.
    void disconnectKeepsTheCallersFunctionAliveUntilTheEventLoop()
    {
        connectDemo();
        std::string error;
        EmbeddedTransport::sharedDemoSystem(&error)->failNextCall();
        FunctionsComponent* functions = sap().functions();
        functions->RemoveAll();
        RfcFunction* f = functions->Add(QStringLiteral("RFC_READ_TABLE"));
        f->Exports(QStringLiteral("QUERY_TABLE")).setValue(QStringLiteral("T000"));
        QVERIFY(!f->Call());
        QCOMPARE(f->exception(), QStringLiteral("SYSTEM_FAILURE"));
        sap().Disconnect();
        QCOMPARE(f->exception(), QStringLiteral("SYSTEM_FAILURE"));
        QCOMPARE(f->name(), QStringLiteral("RFC_READ_TABLE"));
        QVERIFY(!sap().connected());

        // A Disconnect that arrives while a call waits for its answer cancels the call; the
        // waiting caller keeps its function object and hears that it was cancelled.
        connectDemo();
        EmbeddedTransport::sharedDemoSystem(&error)->setCallDelay(std::chrono::milliseconds(2000));
        f = sap().functions()->Add(QStringLiteral("RFC_READ_TABLE"));
        f->Exports(QStringLiteral("QUERY_TABLE")).setValue(QStringLiteral("T000"));
        QTimer::singleShot(10, this, [this] { sap().Disconnect(); });
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!f->Call());
        EmbeddedTransport::sharedDemoSystem(&error)->setCallDelay(std::chrono::milliseconds(0));
        QVERIFY(f->cancelled());
        QVERIFY(clock.elapsed() < 1500);
        QCOMPARE(f->name(), QStringLiteral("RFC_READ_TABLE"));
        QVERIFY(!sap().connected());
    }

    void systemInformation()
    {
        // Not connected and the logon cancelled: nothing is shown.
        ui_->logonAnswers.push_back(std::nullopt);
        sap().SAPSystemInformation();
        QCOMPARE(ui_->messageTexts(), QStringList());

        // Connected: the system's values.
        connectDemo();
        sap().SAPSystemInformation();
        QCOMPARE(ui_->messages.size(), 1);
        QCOMPARE(ui_->messages[0].icon, MsgIcon::Information);
        const QString text = ui_->messages[0].text;
        QVERIFY2(text.startsWith(QStringLiteral("System ID: DEMO\r\nSystem: DEM\r\nClient: 001\r\nUser: DEMO\r\n")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("\r\nSAP Release: 750\r\n")));
        QVERIFY(sap().connected());

        // A failing system: the failure is reported and the connection dropped.
        ui_->clear();
        std::string error;
        EmbeddedTransport::sharedDemoSystem(&error)->failNextCall();
        sap().SAPSystemInformation();
        QCOMPARE(ui_->messageTexts(), QStringList{QStringLiteral("Error : SYSTEM_FAILURE on SAPSystemInformation")});
        QVERIFY(!sap().connected());
        QVERIFY(!sap().bapi());
    }
};

QTEST_GUILESS_MAIN(SapConnectionTest)
#include "connection_flows.moc"
