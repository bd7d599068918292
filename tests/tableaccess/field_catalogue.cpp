// Reading a table's field catalogue from the embedded demo system, and the rows and pictures
// made from it.
#include "rfc/RfcData.h"
#include "sap/EmbeddedTransport.h"
#include "sap/FunctionsComponent.h"
#include "sap/SapConnection.h"
#include "support/ScriptedUiServices.h"
#include "tableaccess/FieldCatalogue.h"
#include "util/AppSettings.h"
#include "util/SettingsFile.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace qvor;

class FieldCatalogueTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    test::ScriptedUiServices ui_;

private Q_SLOTS:
    void initTestCase()
    {
        setSettingsFolderForTests(dir_.path());
        appSettings().OptEN = true;
        EmbeddedTransport::useInMemoryDemoForTests(1);
        ui_.logonAnswers.push_back(LogonEntry{QStringLiteral("DEMO"), QStringLiteral("001"), QStringLiteral("DEMO"),
                                              QStringLiteral("demo"), QStringLiteral("EN")});
        sapConnection().Connect();
        QVERIFY(sapConnection().connected());
    }

    void cleanupTestCase() { sapConnection().Disconnect(); }

    void init() { ui_.clear(); }

    void fieldsOfKna1()
    {
        std::vector<FieldEntry> fields;
        QVERIFY(GetFields(QStringLiteral("KNA1"), &fields));
        QCOMPARE(ui_.messageTexts(), QStringList());
        QVERIFY(fields.size() > 10);
        QCOMPARE(fields[0].FIELDNAME, QStringLiteral("MANDT"));
        QCOMPARE(fields[0].LENGTH, 3);
        const auto kunnr = std::find_if(fields.begin(), fields.end(),
                                        [](const FieldEntry& e) { return e.FIELDNAME == QLatin1String("KUNNR"); });
        QVERIFY(kunnr != fields.end());
        QCOMPARE(kunnr->TYPE, QStringLiteral("C"));
        QCOMPARE(kunnr->LENGTH, 10);
        QVERIFY(!kunnr->FIELDTEXT.isEmpty());
        QVERIFY(ui_.maxWaitDepth >= 1);
        QCOMPARE(ui_.waitDepth, 0);
    }

    void unknownTableShowsTheException()
    {
        std::vector<FieldEntry> fields{FieldEntry{}};
        QVERIFY(!GetFields(QStringLiteral("NO_SUCH_TABLE"), &fields));
        QCOMPARE(ui_.messageTexts(), QStringList{QStringLiteral("TABLE_NOT_AVAILABLE")});
        QVERIFY(fields.empty());
        QCOMPARE(ui_.waitDepth, 0);
    }

    // Key fields in key order from DD03L, whatever order the dictionary table lists them in.
    void keyFields_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("expected");
        QTest::newRow("customers") << "KNA1" << "MANDT 3 client, KUNNR 10";
        QTest::newRow("company codes of customers") << "KNB1" << "MANDT 3 client, KUNNR 10, BUKRS 4";
        QTest::newRow("namespace, client named CLIENT") << "/DMO/FLIGHT"
                                                        << "CLIENT 3 client, CARRIER_ID 3, CONNECTION_ID 4, FLIGHT_DATE 8";
        QTest::newRow("unknown table") << "NO_SUCH_TABLE" << "";
    }
    void keyFields()
    {
        QFETCH(QString, table);
        QFETCH(QString, expected);
        std::vector<KeyField> keys{KeyField{}};
        QVERIFY(GetKeyFields(table, &keys));
        QStringList described;
        for (const KeyField& k : keys) described << QStringLiteral("%1 %2%3").arg(k.name).arg(k.length).arg(k.client ? " client" : "");
        QCOMPARE(described.join(", "), expected);
        QCOMPARE(ui_.messageTexts(), QStringList());
    }

    void lengthsAreWholeNumbers_data()
    {
        QTest::addColumn<QString>("length");
        QTest::addColumn<int>("expected");
        QTest::newRow("zero padded") << QStringLiteral("000010") << 10;
        QTest::newRow("blanks") << QStringLiteral("  512 ") << 512;
        QTest::newRow("fraction") << QStringLiteral("000013.5") << 13;
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("not a number") << QStringLiteral("abc") << 0;
    }
    void lengthsAreWholeNumbers()
    {
        QFETCH(QString, length);
        QFETCH(int, expected);
        rfc::Table table;
        table.columns = {"FIELDNAME", "OFFSET", "LENGTH", "TYPE", "FIELDTEXT"};
        table.rows.push_back({"KUNNR", "000003", length.toStdString(), "C", "Customer Number"});
        const std::vector<FieldEntry> entries = readFieldEntries(RfcTable(&table));
        QCOMPARE(entries.size(), std::size_t(1));
        QCOMPARE(entries[0], (FieldEntry{QStringLiteral("KUNNR"), QStringLiteral("Customer Number"), QStringLiteral("C"), expected}));
    }

    void typeIcons_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("icon");
        const std::pair<const char*, int> known[] = {{"C", 3}, {"N", 4}, {"P", 5}, {"D", 6}, {"T", 7},
                                                     {"X", 8}, {"I", 9}, {"F", 10}, {"s", 11}};
        for (const auto& [letter, icon] : known) QTest::newRow(letter) << QString::fromLatin1(letter) << icon;
        for (const char* other : {"c", "S", "g", "y", "", "CN"}) QTest::addRow("other '%s'", other) << QString::fromLatin1(other) << 3;
    }
    void typeIcons()
    {
        QFETCH(QString, type);
        QFETCH(int, icon);
        QCOMPARE(TypeIcon(type), icon);
    }
};

QTEST_GUILESS_MAIN(FieldCatalogueTest)
#include "field_catalogue.moc"
