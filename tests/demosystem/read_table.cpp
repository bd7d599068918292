// RFC_READ_TABLE: layout, exceptions and their order, row window, profiles, conversions end to end.
#include "DemoCalls.h"

#include "rfc/Utf8.h"

#include <QtTest>

using namespace demotest;

namespace {

QStringList fieldLayout(const rfc::FunctionResult& r)
{
    QStringList out;
    const auto& f = r.tables.at("FIELDS");
    for (std::size_t i = 0; i < f.rows.size(); ++i)
        out << QString::fromStdString(f.value(i, "FIELDNAME") + " " + f.value(i, "OFFSET") + " " + f.value(i, "LENGTH")
                                      + " " + f.value(i, "TYPE"));
    return out;
}

// KNURL 132 x3, NAME1..3 35 x3, KUNNR 10, XCPDK 1: exactly 512 characters back to back.
const std::vector<std::string> fieldsOf512 = {"KNURL", "KNURL", "KNURL", "NAME1", "NAME2", "NAME3", "KUNNR", "XCPDK"};

std::vector<std::string> with(std::vector<std::string> v, const std::string& extra)
{
    v.push_back(extra);
    return v;
}

} // namespace

class ReadTableTest : public QObject {
    Q_OBJECT
    std::unique_ptr<demo::DemoSystem> system_;

    rfc::FunctionResult call(const Read& r, const std::string& user = "DEMO", const std::string& language = "EN")
    {
        return system_->call(session(user, language), readCall(r));
    }

private Q_SLOTS:
    void initTestCase() { system_ = openMemory(); }
    void init() { system_->setProfile(demo::Profile::Classic); }

    void lineLayout_data()
    {
        QTest::addColumn<QString>("delimiter");
        QTest::addColumn<QString>("noData");
        QTest::addColumn<QStringList>("layout");
        QTest::addColumn<QString>("firstLine");
        QTest::newRow("bar") << "|" << "" << QStringList{"MANDT 000000 000003 C", "MTEXT 000004 000025 C", "CCCATEGORY 000030 000001 C"}
                             << "000|SAP AG                   |S";
        QTest::newRow("blank") << " " << "" << QStringList{"MANDT 000000 000003 C", "MTEXT 000003 000025 C", "CCCATEGORY 000028 000001 C"}
                               << "000SAP AG                   S";
        QTest::newRow("none sent") << "" << "" << QStringList{"MANDT 000000 000003 C", "MTEXT 000003 000025 C", "CCCATEGORY 000028 000001 C"}
                                   << "000SAP AG                   S";
        QTest::newRow("NO_DATA keeps the gaps") << "|" << "x" << QStringList{"MANDT 000000 000003 C", "MTEXT 000004 000025 C", "CCCATEGORY 000030 000001 C"}
                                                << "";
    }
    void lineLayout()
    {
        QFETCH(QString, delimiter);
        QFETCH(QString, noData);
        QFETCH(QStringList, layout);
        QFETCH(QString, firstLine);
        const auto r = call({"T000", {"MANDT", "MTEXT", "CCCATEGORY"}, {}, delimiter.toStdString(), noData.toStdString()});
        QVERIFY2(r.ok(), r.exception.c_str());
        QCOMPARE(fieldLayout(r), layout);
        const auto& data = r.tables.at("DATA").rows;
        if (noData.isEmpty()) {
            QCOMPARE(data.size(), std::size_t(3));   // clients 000, 001, 066
            QCOMPARE(QString::fromStdString(data[0][0]), firstLine);
        } else {
            QVERIFY(data.empty());
        }
    }

    void bufferBoundary_data()
    {
        QTest::addColumn<QString>("delimiter");
        QTest::addColumn<QString>("noData");
        QTest::addColumn<bool>("oneMore");
        QTest::addColumn<QString>("exception");
        QTest::newRow("ends at 512") << "" << "" << false << "";
        QTest::newRow("ends at 513") << "" << "" << true << "DATA_BUFFER_EXCEEDED";
        QTest::newRow("delimiters count") << "|" << "" << false << "DATA_BUFFER_EXCEEDED";
        QTest::newRow("NO_DATA never fails") << "|" << "X" << true << "";
    }
    void bufferBoundary()
    {
        QFETCH(QString, delimiter);
        QFETCH(QString, noData);
        QFETCH(bool, oneMore);
        QFETCH(QString, exception);
        const auto fields = oneMore ? with(fieldsOf512, "XCPDK") : fieldsOf512;
        const auto r = call({"KNA1", fields, {}, delimiter.toStdString(), noData.toStdString(), "3"});
        QCOMPARE(QString::fromStdString(r.exception), exception);
        if (r.ok() && noData.isEmpty()) {
            for (const auto& row : r.tables.at("DATA").rows) QCOMPARE(rfc::utf8::length(row[0]), std::size_t(512));
        }
    }

    void emptyFieldsMeanDictionaryOrder()
    {
        const auto r = call({"T001W", {}, {}, "", "x"});
        QVERIFY(r.ok());
        const auto& f = r.tables.at("FIELDS");
        QCOMPARE(f.rows.size(), std::size_t(62));
        QCOMPARE(QString::fromStdString(f.value(0, "FIELDNAME")), QString("MANDT"));
        QCOMPARE(QString::fromStdString(f.value(61, "FIELDNAME")), QString("DEP_STORE"));
        // Duplicates sent are kept, in the order sent.
        const auto dup = call({"T001W", {"NAME1", "WERKS", "NAME1"}, {}, "", "x"});
        QCOMPARE(fieldLayout(dup), (QStringList{"NAME1 000000 000030 C", "WERKS 000030 000004 C", "NAME1 000034 000030 C"}));
    }

    void exceptionOrder_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("noData");
        QTest::addColumn<QString>("exception");
        QTest::newRow("auditor on group SS") << "AUDITOR" << "USR02" << QStringList{} << "" << "NOT_AUTHORIZED";
        QTest::newRow("authority before fields") << "AUDITOR" << "USR02" << QStringList{"BOGUS"} << "" << "NOT_AUTHORIZED";
        QTest::newRow("auditor elsewhere") << "AUDITOR" << "SCARR" << QStringList{} << "" << "";
        QTest::newRow("demo on group SS") << "DEMO" << "USR02" << QStringList{"BNAME"} << "" << "";
        QTest::newRow("unknown table") << "AUDITOR" << "ZZ_NOTHING" << QStringList{} << "" << "TABLE_NOT_AVAILABLE";
        QTest::newRow("table in lower case") << "DEMO" << "kna1" << QStringList{} << "x" << "TABLE_NOT_AVAILABLE";
        QTest::newRow("structure") << "DEMO" << "BAPIRET2" << QStringList{} << "x" << "TABLE_WITHOUT_DATA";
        QTest::newRow("unknown field before width") << "DEMO" << "KNA1" << QStringList{"BOGUS", "KNURL", "KNURL", "KNURL", "KNURL"} << "" << "FIELD_NOT_VALID";
        QTest::newRow("width before unknown field") << "DEMO" << "KNA1" << QStringList{"KNURL", "KNURL", "KNURL", "KNURL", "BOGUS"} << "" << "DATA_BUFFER_EXCEEDED";
        QTest::newRow("field names are case-sensitive") << "DEMO" << "KNA1" << QStringList{"kunnr"} << "x" << "FIELD_NOT_VALID";
        QTest::newRow("wide table, all fields") << "DEMO" << "BSEG" << QStringList{} << "" << "DATA_BUFFER_EXCEEDED";
        QTest::newRow("wide table, catalogue only") << "DEMO" << "BSEG" << QStringList{} << "x" << "";
        QTest::newRow("field wider than a line") << "DEMO" << "ZQVR_LONGTEXT" << QStringList{"LONGTEXT"} << "" << "DATA_BUFFER_EXCEEDED";
    }
    void exceptionOrder()
    {
        QFETCH(QString, user);
        QFETCH(QString, table);
        QFETCH(QStringList, fields);
        QFETCH(QString, noData);
        QFETCH(QString, exception);
        std::vector<std::string> f;
        for (const auto& s : fields) f.push_back(s.toStdString());
        const auto r = call({table.toStdString(), f, {}, "", noData.toStdString(), "1"}, user.toStdString());
        QCOMPARE(QString::fromStdString(r.exception), exception);
    }

    void catalogueTextsFollowTheLanguage()
    {
        const auto en = call({"KNA1", {"KUNNR"}, {}, "", "x"}, "DEMO", "EN");
        const auto pt = call({"KNA1", {"KUNNR"}, {}, "", "x"}, "DEMO", "PT");
        const auto p = call({"KNA1", {"KUNNR"}, {}, "", "x"}, "DEMO", "P");
        QCOMPARE(QString::fromStdString(en.tables.at("FIELDS").value(0, "FIELDTEXT")), QString("Customer Number"));
        QCOMPARE(QString::fromStdString(pt.tables.at("FIELDS").value(0, "FIELDTEXT")), QString("Nº cliente"));
        QCOMPARE(QString::fromStdString(p.tables.at("FIELDS").value(0, "FIELDTEXT")), QString("Nº cliente"));
    }

    void rowWindow_data()
    {
        QTest::addColumn<QString>("rowCount");
        QTest::addColumn<QString>("rowSkips");
        QTest::addColumn<int>("first");   // index into the full result, -1: empty
        QTest::addColumn<int>("count");
        QTest::newRow("0 is all") << "0" << "" << 0 << 500;
        QTest::newRow("negative is all") << "-1" << "0" << 0 << 500;
        QTest::newRow("first n") << "7" << "" << 0 << 7;
        QTest::newRow("skip and count") << "4" << "3" << 3 << 4;
        QTest::newRow("skip only") << "0" << "495" << 495 << 5;
        QTest::newRow("count past the end") << "10" << "495" << 495 << 5;
        QTest::newRow("skip beyond the end") << "10" << "900" << -1 << 0;
        QTest::newRow("negative skip") << "2" << "-5" << 0 << 2;
    }
    void rowWindow()
    {
        QFETCH(QString, rowCount);
        QFETCH(QString, rowSkips);
        QFETCH(int, first);
        QFETCH(int, count);
        const QStringList all = lines(call({"KNA1", {"KUNNR"}})).split(',');
        QCOMPARE(all.size(), 500);
        const QString got = lines(call({"KNA1", {"KUNNR"}, {}, "", "", rowCount.toStdString(), rowSkips.toStdString()}));
        QCOMPARE(got, first < 0 ? QString() : QStringList(all.mid(first, count)).join(','));
    }

    void rowsComeInKeyOrderSoGroupsLineUp()
    {
        const auto a = call({"BSEG", {"BUKRS", "BELNR", "GJAHR", "BUZEI", "DMBTR"}});
        const auto b = call({"BSEG", {"BUKRS", "BELNR", "GJAHR", "BUZEI", "SGTXT"}, {}, "|"});
        QVERIFY(a.ok() && b.ok());
        const auto& ra = a.tables.at("DATA").rows;
        const auto& rb = b.tables.at("DATA").rows;
        QCOMPARE(ra.size(), std::size_t(10000));
        QCOMPARE(rb.size(), ra.size());
        for (std::size_t i = 0; i < ra.size(); ++i) {
            QCOMPARE(ra[i][0].substr(0, 21), rb[i][0].substr(0, 4) + rb[i][0].substr(5, 10) + rb[i][0].substr(16, 4) + rb[i][0].substr(21, 3));
            if (i > 0) QVERIFY(ra[i - 1][0].substr(0, 21) < ra[i][0].substr(0, 21));
        }
    }

    void onlyTheLogonClient()
    {
        QCOMPARE(lines(call({"T001", {"BUKRS"}})), QString("1000,2000,3000,4000"));
        QCOMPARE(lines(call({"T001", {"BUKRS"}, {"MANDT = '000'"}})), QString());
        // T000 itself is client-independent.
        QCOMPARE(lines(call({"T000", {"MANDT"}})), QString("000,001,066"));
    }

    void dataIsAppendedAfterCallerRows()
    {
        auto c = readCall({"T000", {"MANDT"}});
        c.tables["DATA"].rows.push_back({""});
        const auto r = system_->call(session(), c);
        QCOMPARE(r.tables.at("DATA").rows.size(), std::size_t(4));
        QCOMPARE(QString::fromStdString(r.tables.at("DATA").rows[0][0]), QString());
        QCOMPARE(QString::fromStdString(r.tables.at("DATA").rows[1][0]), QString("000"));
    }

    void valuesAreConvertedIntoTheirSlots_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("slot");
        QTest::newRow("CURR overflows") << "BSEG" << "DMBTR" << "DMBTR = '11291847608.00'" << "*291847608.00";
        QTest::newRow("DEC 9,5 negative overflows") << "BKPF" << "KURSF" << "KURSF = '-116.386'" << "*6.38600-";
        QTest::newRow("initial date") << "BSEG" << "AUGDT" << "AUGDT = '00000000' AND KOART = 'S'" << "00000000";
        QTest::newRow("time") << "SPFLI" << "DEPTIME" << "CARRID = 'LH' AND CONNID = '0400'" << "101000";
        QTest::newRow("INT4") << "SPFLI" << "FLTIME" << "CARRID = 'LH' AND CONNID = '0400'" << "      535 ";
        QTest::newRow("NUMC") << "VBAP" << "POSNR" << "POSNR = '000010'" << "000010";
    }
    void valuesAreConvertedIntoTheirSlots()
    {
        QFETCH(QString, table);
        QFETCH(QString, field);
        QFETCH(QString, option);
        QFETCH(QString, slot);
        const auto r = call({table.toStdString(), {field.toStdString()}, {option.toStdString()}, "", "", "1"});
        QVERIFY2(r.ok(), (r.exception + " " + r.message).c_str());
        QCOMPARE(r.tables.at("DATA").rows.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(r.tables.at("DATA").rows[0][0]).left(slot.size()), slot);
    }

    void rawShowsHalfItsBytes()
    {
        const auto r = call({"MARA", {"GUID", "MATNR"}, {}, "|", "", "5"});
        QVERIFY(r.ok());
        for (const auto& row : r.tables.at("DATA").rows) {
            const QString line = QString::fromStdString(row[0]);
            QCOMPARE(line.indexOf('|'), 16);
            QVERIFY(QRegularExpression("^[0-9A-F]{16}$").match(line.left(16)).hasMatch());
        }
    }

    void widthsCountCharacters()
    {
        const auto r = call({"KNA1", {"NAME1", "ORT01", "LAND1"}, {"LAND1 IN ('BR','DE','PT')"}, "|"});
        QVERIFY(r.ok());
        bool sawNonAscii = false;
        for (const auto& row : r.tables.at("DATA").rows) {
            QCOMPARE(rfc::utf8::length(row[0]), std::size_t(35 + 1 + 35 + 1 + 3));
            sawNonAscii = sawNonAscii || rfc::utf8::length(row[0]) != row[0].size();
        }
        QVERIFY(sawNonAscii);
    }

    void badConditionInBothProfiles()
    {
        const Read bad{"SCARR", {"CARRID"}, {"CARRID = 'LH"}};
        QCOMPARE(QString::fromStdString(call(bad).exception), QString("OPTION_NOT_VALID"));
        system_->setProfile(demo::Profile::ModernRelease);
        QCOMPARE(QString::fromStdString(call(bad).exception), QString("OPTION_NOT_VALID"));
    }

    void modernProfile()
    {
        system_->setProfile(demo::Profile::ModernRelease);
        // Dictionary order, duplicates collapsed, unknown names skipped.
        const auto r = call({"KNA1", {"UMSAT", "KUNNR", "BOGUS", "KUNNR", "LAND1"}, {}, "|", "", "50"});
        QVERIFY2(r.ok(), r.exception.c_str());
        QCOMPARE(fieldLayout(r), (QStringList{"KUNNR 000000 000010 C", "LAND1 000011 000003 C", "UMSAT 000015 000008 P"}));
        const QRegularExpression leftJustified("^[0-9]{10}\\|[A-Z]{2} \\|[0-9]+\\.[0-9]{2} *$");
        for (const auto& row : r.tables.at("DATA").rows) {
            QCOMPARE(row[0].size(), std::size_t(15 + 9));   // the packed slot is one longer
            QVERIFY2(leftJustified.match(QString::fromStdString(row[0])).hasMatch(), row[0].c_str());
        }
        QCOMPARE(QString::fromStdString(call({"KNA1", {"BOGUS"}}).exception), QString("TABLE_WITHOUT_DATA"));
        // A line too wide fails only when a row is converted.
        QCOMPARE(QString::fromStdString(call({"ZQVR_LONGTEXT", {"LONGTEXT"}, {"TEXTID = '999999'"}}).exception), QString());
        QCOMPARE(QString::fromStdString(call({"ZQVR_LONGTEXT", {"LONGTEXT"}}).exception), QString("DATA_BUFFER_EXCEEDED"));
    }

    void timeLimit()
    {
        system_->setTimeLimit(std::chrono::milliseconds(0));
        const auto r = call({"BSEG", {"BELNR"}});
        system_->setTimeLimit(std::chrono::minutes(10));
        QCOMPARE(QString::fromStdString(r.exception), QString("SYSTEM_FAILURE"));
        QCOMPARE(QString::fromStdString(r.message), QString("TIME_OUT"));
        QVERIFY(call({"BSEG", {"BELNR"}, {}, "", "", "1"}).ok());
    }

    // Asked to, every read comes back in an order of its own: the same rows, not in key order.
    void shuffledRows()
    {
        const Read kna1{"KNA1", {"KUNNR"}};
        const QStringList inKeyOrder = lines(call(kna1)).split(',');
        system_->shuffleRows(5);
        const QStringList first = lines(call(kna1)).split(','), second = lines(call(kna1)).split(',');
        system_->shuffleRows(0);
        QVERIFY(first != inKeyOrder);
        QVERIFY(first != second);
        QStringList sorted = second;
        sorted.sort();
        QCOMPARE(sorted, inKeyOrder);
        QCOMPARE(lines(call(kna1)).split(','), inKeyOrder);
    }

    void badNumbers()
    {
        QCOMPARE(QString::fromStdString(call({"T000", {"MANDT"}, {}, "", "", "ten"}).exception), QString("SYSTEM_FAILURE"));
    }
};

QTEST_GUILESS_MAIN(ReadTableTest)
#include "read_table.moc"
