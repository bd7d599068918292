// The demo system as a whole: logon, RFC_SYSTEM_INFO, unknown functions, fault hooks, the
// database file and deterministic generation.
#include "DemoCalls.h"

#include "demosystem/Dictionary.h"

#include <QtTest>

#include <filesystem>
#include <fstream>
#include <set>
#include <sys/stat.h>

using namespace demotest;

class DemoSystemTest : public QObject {
    Q_OBJECT
    std::unique_ptr<demo::DemoSystem> system_;

private Q_SLOTS:
    void initTestCase() { system_ = openMemory(); }

    void logon_data()
    {
        QTest::addColumn<QString>("client");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("demo") << "001" << "DEMO" << "demo" << "EN" << "";
        QTest::newRow("user in lower case") << "001" << "demo" << "demo" << "PT" << "";
        QTest::newRow("auditor") << "001" << "AUDITOR" << "audit" << "E" << "";
        QTest::newRow("empty language is accepted") << "001" << "DEMO" << "demo" << "" << "";
        QTest::newRow("password is case-sensitive") << "001" << "DEMO" << "DEMO" << "EN" << "Name or password is incorrect (repeat logon)";
        QTest::newRow("unknown user") << "001" << "NOBODY" << "demo" << "EN" << "Name or password is incorrect (repeat logon)";
        QTest::newRow("other client") << "800" << "DEMO" << "demo" << "EN" << "Client 800 is not available in this system";
        QTest::newRow("no user") << "001" << "" << "" << "EN" << "Enter a user name";
        QTest::newRow("unknown language") << "001" << "DEMO" << "demo" << "XX" << "Language XX is not installed in this system";
    }
    void logon()
    {
        QFETCH(QString, client);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, language);
        QFETCH(QString, refusal);
        const demo::Session s{client.toStdString(), user.toStdString(), language.toStdString()};
        QCOMPARE(QString::fromStdString(system_->logon(s, password.toStdString())), refusal);
    }

    void callsNeedALanguageAndAKnownUser()
    {
        QCOMPARE(QString::fromStdString(system_->call(session("DEMO", ""), readCall({"T000", {"MANDT"}})).exception),
                 QString("SYSTEM_FAILURE"));
        QCOMPARE(QString::fromStdString(system_->call(session("NOBODY"), readCall({"T000", {"MANDT"}})).exception),
                 QString("SYSTEM_FAILURE"));
    }

    void systemInfo()
    {
        const auto r = system_->call(session(), rfc::FunctionCall{"RFC_SYSTEM_INFO", {}, {}});
        QVERIFY(r.ok());
        const auto& si = r.structures.at("RFCSI_EXPORT");
        const auto& id = system_->identity();
        QCOMPARE(QString::fromStdString(si.at("RFCSYSID")), QString("DEM"));
        QCOMPARE(QString::fromStdString(si.at("RFCSAPRL")), QString("750"));
        QCOMPARE(QString::fromStdString(si.at("RFCDBSYS")), QString("SQLITE"));
        QVERIFY(!id.host.empty());
        const std::string shortHost = id.host.substr(0, id.host.find('.')).substr(0, 8);
        QCOMPARE(si.at("RFCHOST"), shortHost);
        QCOMPARE(si.at("RFCDEST"), shortHost + "_DEM_00");
        QCOMPARE(si.at("RFCHOST2"), id.host.substr(0, 32));
        // The system number is what follows the last "_" of the destination.
        QCOMPARE(si.at("RFCDEST").substr(si.at("RFCDEST").rfind('_') + 1), id.systemNumber);
    }

    void unknownFunction()
    {
        const auto r = system_->call(session(), rfc::FunctionCall{"BAPI_USER_GET_DETAIL", {}, {}});
        QCOMPARE(QString::fromStdString(r.exception), QString("FU_NOT_FOUND"));
    }

    void faultHooks()
    {
        system_->failNextCall();
        QCOMPARE(QString::fromStdString(system_->call(session(), readCall({"T000", {"MANDT"}})).exception), QString("SYSTEM_FAILURE"));
        QVERIFY(system_->call(session(), readCall({"T000", {"MANDT"}})).ok());

        system_->setCallDelay(std::chrono::milliseconds(80));
        QElapsedTimer timer;
        timer.start();
        QVERIFY(system_->call(session(), readCall({"T000", {"MANDT"}})).ok());
        QVERIFY(timer.elapsed() >= 80);
        system_->setCallDelay(std::chrono::milliseconds(0));
    }

    void dictionaryIsConsistent()
    {
        const auto& tables = demo::Dictionary::instance().tables();
        QVERIFY(tables.size() >= 27);
        for (const auto& t : tables) {
            std::set<std::string> names;
            bool keysDone = false;
            for (const auto& f : t.fields) {
                QVERIFY2(names.insert(f.name).second, (t.name + "-" + f.name + " twice").c_str());
                QVERIFY2(!f.textEn.empty(), (t.name + "-" + f.name).c_str());
                QVERIFY2(!(keysDone && f.key), (t.name + "-" + f.name + " key after non-key").c_str());
                keysDone = keysDone || !f.key;
                QVERIFY(f.length > 0 && f.decimals < f.length + 1);
            }
            if (!t.isStructure()) QVERIFY2(!t.keyFields().empty(), t.name.c_str());
        }
        QVERIFY(demo::Dictionary::instance().table("BSEG")->fields.size() >= 250);
        QVERIFY(demo::Dictionary::instance().table("KNA1")->fields.size() >= 40);
        QVERIFY(demo::Dictionary::instance().table("/DMO/FLIGHT")->clientDependent());
        QVERIFY(!demo::Dictionary::instance().table("T000")->clientDependent());
        QCOMPARE(QString::fromStdString(demo::Dictionary::instance().table("USR02")->authGroup), QString("SS"));
    }

    // DD03L describes every table, itself included, as the dictionary does.
    void dictionaryTablesDescribeThemselves()
    {
        const auto r = system_->call(session(), readCall({"DD03L", {"FIELDNAME", "POSITION", "INTTYPE", "LENG"},
                                                          {"TABNAME = 'BSEG' AND FIELDNAME = 'DMBTR'"}, "|"}));
        QCOMPARE(lines(r), QString("DMBTR                         |0020|P|000013"));
        const auto count = system_->call(session(), readCall({"DD03L", {"FIELDNAME"}, {"TABNAME = 'DD03L'"}}));
        QCOMPARE(count.tables.at("DATA").rows.size(), demo::Dictionary::instance().table("DD03L")->fields.size());
        QCOMPARE(lines(system_->call(session("DEMO", "PT"), readCall({"DD02T", {"DDTEXT"}, {"TABNAME = 'KNA1' AND DDLANGUAGE = 'P'"}}))),
                 QString("Mestre de clientes (parte geral)"));
    }

    void generationIsDeterministic()
    {
        auto other = openMemory();
        for (const auto& [table, fields] : std::vector<std::pair<std::string, std::vector<std::string>>>{
                 {"KNA1", {"KUNNR", "NAME1", "ORT01", "UMSAT", "ERDAT", "CVP_XBLCK"}},
                 {"BSEG", {"BUKRS", "BELNR", "BUZEI", "DMBTR", "SGTXT", "GUID", "KURSR_F", "PENDAYS"}},
                 {"VBAP", {"VBELN", "POSNR", "MATNR", "NETWR", "KWMENG"}},
                 {"SFLIGHT", {"CARRID", "CONNID", "FLDATE", "PRICE", "SEATSOCC"}},
                 {"ZQVR_LONGTEXT", {"TEXTID"}}}) {
            const auto a = system_->call(session(), readCall({table, fields}));
            const auto b = other->call(session(), readCall({table, fields}));
            QVERIFY2(a.ok(), (table + " " + a.exception).c_str());
            QVERIFY(!a.tables.at("DATA").rows.empty());
            QVERIFY2(a.tables.at("DATA").rows == b.tables.at("DATA").rows, table.c_str());
        }
    }

    void fileDatabase()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath("sub/demo.sqlite").toStdString();
        std::string error;
        auto first = demo::DemoSystem::open({path, 1}, &error);
        QVERIFY2(first, error.c_str());
        QVERIFY(std::filesystem::exists(path));
        for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(path).parent_path()))
            QVERIFY2(entry.path() == path, entry.path().c_str());   // no temporary file left behind
        const auto written = std::filesystem::last_write_time(path);
        auto second = demo::DemoSystem::open({path, 1}, &error);
        QVERIFY(second);
        QCOMPARE(std::filesystem::last_write_time(path), written);   // opened, not generated again
        QCOMPARE(lines(second->call(session(), readCall({"T000", {"MANDT"}}))), QString("000,001,066"));

        // A file that is not a database of ours is generated again.
        first.reset();
        second.reset();
        {
            std::ofstream junk(path, std::ios::trunc);
            junk << "not a database";
        }
        auto third = demo::DemoSystem::open({path, 1}, &error);
        QVERIFY2(third, error.c_str());
        QCOMPARE(lines(third->call(session(), readCall({"T000", {"MANDT"}}))), QString("000,001,066"));

        QVERIFY(!demo::DemoSystem::open({"/proc/no/such/place/demo.sqlite", 1}, &error));
        QVERIFY(!error.empty());

        // A folder or a FIFO in the database's place is refused at once, with what it is.
        const std::string folder = dir.filePath("folder.sqlite").toStdString();
        const std::string fifo = dir.filePath("fifo.sqlite").toStdString();
        QVERIFY(std::filesystem::create_directory(folder));
        QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
        for (const std::string& p : {folder, fifo}) {
            error.clear();
            QVERIFY(!demo::DemoSystem::open({p, 1}, &error));
            QCOMPARE(error, "The demo database " + p + " is not a regular file");
        }
    }

    void defaultPath()
    {
        qputenv("XDG_DATA_HOME", "/tmp/xdg-test");
        QCOMPARE(QString::fromStdString(demo::defaultDatabasePath()), QString("/tmp/xdg-test/Qvor/demo-scale1.sqlite"));
        QCOMPARE(QString::fromStdString(demo::defaultDatabasePath(100)), QString("/tmp/xdg-test/Qvor/demo-scale100.sqlite"));
        qunsetenv("XDG_DATA_HOME");
        qputenv("HOME", "/home/someone");
        QCOMPARE(QString::fromStdString(demo::defaultDatabasePath()), QString("/home/someone/.local/share/Qvor/demo-scale1.sqlite"));
    }
};

QTEST_GUILESS_MAIN(DemoSystemTest)
#include "demo_system.moc"
