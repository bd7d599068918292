// Finding tables by name or text through the dictionary tables of the embedded demo system, and
// the condition lines the search sends.
#include "sap/EmbeddedTransport.h"
#include "sap/SapConnection.h"
#include "support/ScriptedUiServices.h"
#include "tableaccess/DictionaryRead.h"
#include "tableaccess/TableSearch.h"
#include "util/AppSettings.h"
#include "util/SettingsFile.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace qvor;

class TableSearchTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    test::ScriptedUiServices ui_;

    void logOn(const QString& user, const QString& password, const QString& language)
    {
        sapConnection().Disconnect();
        ui_.logonAnswers.push_back(LogonEntry{"DEMO", "001", user, password, language});
        sapConnection().Connect();
        QVERIFY(sapConnection().connected());
    }

private Q_SLOTS:
    void initTestCase()
    {
        setSettingsFolderForTests(dir_.path());
        appSettings().OptEN = true;
        EmbeddedTransport::useInMemoryDemoForTests(1);
    }
    void cleanupTestCase() { sapConnection().Disconnect(); }
    void init() { ui_.clear(); }

    void patterns_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("upper");
        QTest::addColumn<QString>("pattern");
        QTest::newRow("anywhere") << " kna " << true << "'%KNA%'";
        QTest::newRow("wildcards") << "KN*1?" << true << "'KN%1_'";
        QTest::newRow("text as typed") << "Customer" << false << "'%Customer%'";
        QTest::newRow("quote doubled") << "O'Neil" << false << "'%O''Neil%'";
        QTest::newRow("nothing to search") << " * " << true << "";
        QTest::newRow("cut to fit a line") << QString(80, 'x') << false << "'%" + QString(46, 'x') + "%'";
    }
    void patterns()
    {
        QFETCH(QString, typed);
        QFETCH(bool, upper);
        QFETCH(QString, pattern);
        QCOMPARE(TableSearch::likePattern(typed, upper), pattern);
    }

    void conditionLinesFit()
    {
        QStringList names;
        for (int i = 0; i < 60; ++i) names << QStringLiteral("/NAMESPACE/TABLE_%1").arg(i);
        const QStringList lines = TableSearch::classesCondition(names) + TableSearch::textsCondition(QString(60, 'o'), "E");
        for (const QString& l : lines) QVERIFY2(l.size() <= 72, qPrintable(l));
        QCOMPARE(TableSearch::languageKey("pt"), QStringLiteral("P"));
        QCOMPARE(TableSearch::languageKey("D"), QStringLiteral("D"));
    }

    void search_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("by name") << "EN" << "knb" << QStringList{"KNB1 TRANSP Customer Master (Company Code)"};
        QTest::newRow("by text in small letters") << "EN" << "flight schedule" << QStringList{"SPFLI TRANSP Flight schedule"};
        QTest::newRow("by text in the logon language") << "PT" << "horário" << QStringList{"SPFLI TRANSP Horário de voos"};
        QTest::newRow("namespace") << "EN" << "/DMO/*" << QStringList{"/DMO/FLIGHT TRANSP Flight (ABAP Flight Reference Scenario)"};
        QTest::newRow("structures left out") << "EN" << "BAPIRET" << QStringList{};
    }
    void search()
    {
        QFETCH(QString, language);
        QFETCH(QString, typed);
        QFETCH(QStringList, expected);
        logOn("DEMO", "demo", language);
        std::vector<FoundTable> found;
        QVERIFY(TableSearch::run(typed, &found));
        QStringList described;
        for (const FoundTable& t : found) described << t.name + " " + t.tableClass + " " + t.text;
        QCOMPARE(described, expected);
        QCOMPARE(ui_.messageTexts(), QStringList());
    }

    void refusedDictionaryShowsTheException()
    {
        logOn("AUDITOR", "audit", "EN");
        std::vector<FoundTable> found;
        QVERIFY(!TableSearch::run("KNA1", &found));
        QCOMPARE(ui_.messageTexts(), QStringList{"NOT_AUTHORIZED"});
        QCOMPARE(ui_.waitDepth, 0);
    }
};

QTEST_GUILESS_MAIN(TableSearchTest)
#include "table_search.moc"
