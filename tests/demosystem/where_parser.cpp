// The OPTIONS condition: grammar, ABAP comparison rules, row joining, and hostile input.
#include "DemoCalls.h"

#include "demosystem/Dictionary.h"
#include "demosystem/WhereParser.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>

using namespace demotest;

namespace {

// A number as a user may write it in OPTIONS, and what it means.
struct WrittenNumber {
    std::string text;
    bool negative = false;
    std::int64_t whole = 0;
    int fraction = 0;          // hundredths
    bool hasFraction = false;
};

// Signs before or after (ABAP's trailing minus), blanks around, a fraction of one or two digits.
WrittenNumber randomNumber(QRandomGenerator& random)
{
    WrittenNumber n;
    n.whole = static_cast<std::int64_t>(random.bounded(1000000000u)) * (random.bounded(2) ? 1000 : 1);
    std::string digits = std::to_string(n.whole);
    if (random.bounded(3) == 0) {
        n.hasFraction = true;
        if (random.bounded(2)) {
            n.fraction = static_cast<int>(random.bounded(10)) * 10;
            digits += "." + std::to_string(n.fraction / 10);
        } else {
            n.fraction = static_cast<int>(random.bounded(100));
            digits += (n.fraction < 10 ? ".0" : ".") + std::to_string(n.fraction);
        }
    }
    switch (random.bounded(4)) {
    case 0: n.text = digits; break;
    case 1: n.text = "+" + digits; break;
    case 2: n.text = "-" + digits; n.negative = true; break;
    default: n.text = digits + "-"; n.negative = true; break;
    }
    n.text = std::string(random.bounded(3), ' ') + n.text + std::string(random.bounded(3), ' ');
    return n;
}

demo::TableDef numberTable()
{
    demo::TableDef t;
    t.name = "ZNUMBERS";
    t.fields = {{"COUNTER", 1, true, 'I', 10, 0}, {"AMOUNT", 2, false, 'P', 15, 2}, {"RATE", 3, false, 'F', 16, 0}};
    return t;
}

QString pad72(const QString& text)
{
    return text + QString(72 - text.size(), ' ');
}

std::vector<std::string> toRows(const QStringList& rows)
{
    std::vector<std::string> out;
    for (const auto& r : rows) out.push_back(r.toStdString());
    return out;
}

} // namespace

class WhereParserTest : public QObject {
    Q_OBJECT
    std::unique_ptr<demo::DemoSystem> system_;

    QString select(const std::string& table, const std::vector<std::string>& fields, const QStringList& options)
    {
        return lines(system_->call(session(), readCall({table, fields, toRows(options)})));
    }

private Q_SLOTS:
    void initTestCase() { system_ = openMemory(); }

    // SCARR holds 13 airlines: AA AC AD AF BA DL G3 JL LH SQ SR TP UA.
    void numbersWithSignsBeforeAndAfter()
    {
        // Each number against its plain meaning, quoted as users write them, in an integer, a
        // packed (two decimals) and a floating-point column.
        const demo::TableDef table = numberTable();
        const demo::WhereParser parser(table);
        QRandomGenerator random(7);
        for (int i = 0; i < 3000; ++i) {
            const WrittenNumber n = randomNumber(random);
            const std::int64_t sign = n.negative ? -1 : 1;
            const double real = sign * (double(n.whole) + n.fraction / 100.0);
            for (const char* column : {"COUNTER", "AMOUNT", "RATE"}) {
                const std::string condition = std::string(column) + " = '" + n.text + "'";
                const auto result = parser.parse({condition});
                const QByteArray where = QByteArray::fromStdString(condition);
                QVERIFY2(result.ok(), where + ": " + result.error.c_str());
                const demo::WhereValue& v = result.root->values.at(0);
                if (column[0] == 'C' && !n.hasFraction) {
                    QVERIFY2(v.kind == demo::WhereValue::Kind::Integer && v.integer == sign * n.whole, where);
                } else if (column[0] == 'A') {
                    QVERIFY2(v.kind == demo::WhereValue::Kind::Integer, where);
                    QVERIFY2(v.integer == sign * (n.whole * 100 + n.fraction), where);
                } else {
                    const double got = v.kind == demo::WhereValue::Kind::Integer ? double(v.integer) : v.real;
                    QVERIFY2(std::fabs(got - real) <= 1e-9 * std::max(1.0, std::fabs(real)), where);
                }
            }
        }
        // A sign at both ends, or twice in front, is no number.
        for (const char* text : {"-5-", "+5-", "--5", "5--", "-", " - "})
            QVERIFY2(!parser.parse({std::string("COUNTER = '") + text + "'"}).ok(), text);
    }

    void airlines_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("carriers");
        const QString all = "AA,AC,AD,AF,BA,DL,G3,JL,LH,SQ,SR,TP,UA";
        QTest::newRow("=") << QStringList{"CARRID = 'LH'"} << "LH";
        QTest::newRow("EQ") << QStringList{"CARRID EQ 'LH'"} << "LH";
        QTest::newRow("keywords and names in lower case") << QStringList{"carrid eq 'LH' or Carrid = 'TP'"} << "LH,TP";
        QTest::newRow("values are case-sensitive") << QStringList{"CARRID = 'lh'"} << "";
        QTest::newRow("<> NE ><") << QStringList{"CURRCODE <> 'EUR' AND CURRCODE NE 'USD' AND CURRCODE >< 'BRL'"}
                                  << "AC,BA,JL,SQ,SR";
        QTest::newRow("<") << QStringList{"CARRID < 'AF'"} << "AA,AC,AD";
        QTest::newRow("LT") << QStringList{"CARRID LT 'AF'"} << "AA,AC,AD";
        QTest::newRow(">") << QStringList{"CARRID > 'SR'"} << "TP,UA";
        QTest::newRow("GT") << QStringList{"CARRID GT 'SR'"} << "TP,UA";
        QTest::newRow("<=") << QStringList{"CARRID <= 'AC'"} << "AA,AC";
        QTest::newRow("LE") << QStringList{"CARRID LE 'AC'"} << "AA,AC";
        QTest::newRow("=<") << QStringList{"CARRID =< 'AC'"} << "AA,AC";
        QTest::newRow(">=") << QStringList{"CARRID >= 'TP'"} << "TP,UA";
        QTest::newRow("GE") << QStringList{"CARRID GE 'TP'"} << "TP,UA";
        QTest::newRow("=>") << QStringList{"CARRID => 'TP'"} << "TP,UA";
        QTest::newRow("LIKE prefix") << QStringList{"CARRNAME LIKE 'Air%'"} << "AC,AF";
        QTest::newRow("LIKE suffix") << QStringList{"CARRNAME LIKE '%Airlines'"} << "AA,DL,JL,SQ,UA";
        QTest::newRow("LIKE underscore") << QStringList{"CARRID LIKE '_A'"} << "AA,BA,UA";
        QTest::newRow("LIKE pattern trailing blanks") << QStringList{"CARRID LIKE '_A   '"} << "AA,BA,UA";
        QTest::newRow("NOT LIKE") << QStringList{"CARRNAME NOT LIKE '%a%'"} << "SR,UA";
        QTest::newRow("LIKE % alone") << QStringList{"CARRNAME LIKE '%'"} << all;
        QTest::newRow("NOT LIKE % alone") << QStringList{"CARRNAME NOT LIKE '%'"} << "";
        QTest::newRow("BETWEEN inclusive") << QStringList{"CARRID BETWEEN 'AF' AND 'BA'"} << "AF,BA";
        QTest::newRow("NOT BETWEEN") << QStringList{"CARRID NOT BETWEEN 'AC' AND 'TP'"} << "AA,UA";
        QTest::newRow("IN") << QStringList{"CARRID IN ( 'LH', 'TP', 'XX' )"} << "LH,TP";
        QTest::newRow("IN written without blanks") << QStringList{"CARRID IN ('LH','TP')"} << "LH,TP";
        QTest::newRow("NOT IN") << QStringList{"CARRID NOT IN ( 'AA', 'AC', 'AD', 'AF', 'BA', 'DL' )"} << "G3,JL,LH,SQ,SR,TP,UA";
        QTest::newRow("IS NULL") << QStringList{"URL IS NULL"} << "";
        QTest::newRow("IS NOT NULL") << QStringList{"URL IS NOT NULL"} << all;
        QTest::newRow("AND before OR") << QStringList{"CARRID = 'LH' OR CARRID = 'AA' AND NOT CURRCODE = 'USD'"} << "LH";
        QTest::newRow("parentheses") << QStringList{"( CARRID = 'LH' OR CARRID = 'AA' ) AND NOT CURRCODE = 'EUR'"} << "AA";
        QTest::newRow("NOT of a group") << QStringList{"NOT ( CURRCODE = 'EUR' OR CURRCODE = 'USD' )"} << "AC,AD,BA,G3,JL,SQ,SR";
        QTest::newRow("column prefix") << QStringList{"SCARR~CARRID = 'LH'"} << "LH";
        QTest::newRow("trailing blanks do not count") << QStringList{"CARRID = 'LH   '"} << "LH";
        QTest::newRow("trailing blanks in a name") << QStringList{"CARRNAME = 'Swiss '"} << "SR";
        QTest::newRow("non-ASCII value") << QStringList{"CARRNAME = 'Azul Linhas Aéreas'"} << "AD";
        QTest::newRow("quote inside literal") << QStringList{"CARRNAME <> 'O''Neil'"} << all;
        QTest::newRow("double quote inside literal is no comment") << QStringList{"CARRNAME = 'a\"b' OR CARRID = 'SR'"} << "SR";
        QTest::newRow("comment row and comment tail") << QStringList{"* only airlines in euro", "CURRCODE = 'EUR' \" AND CARRID = 'LH'"}
                                                       << "AF,LH,TP";
        QTest::newRow("condition over rows") << QStringList{"CARRID = 'LH'", "OR", "CARRID = 'AA'"} << "AA,LH";
        QTest::newRow("row of 71 ends a token") << QStringList{QString("CARRID = 'LH' OR").leftJustified(71, ' '), "CARRID = 'AA'"} << "AA,LH";
        QTest::newRow("row of 72 ending in a blank") << QStringList{QString("CARRID = 'LH'").leftJustified(68, ' ') + "AND ", "CURRCODE = 'EUR'"} << "LH";
        QTest::newRow("literal spans a full row") << QStringList{pad72("").left(61) + "CARRID = 'L", "H'"} << "LH";
        QTest::newRow("empty OPTIONS") << QStringList{} << all;
        QTest::newRow("one empty row") << QStringList{""} << all;
        QTest::newRow("blank rows") << QStringList{"   ", "", " "} << all;
        // Errors: a classic system answers a WHERE it cannot parse with a runtime error.
        QTest::newRow("row of 72 glues to the next") << QStringList{QString("CARRID = 'LH'").leftJustified(69, ' ') + "AND", "CURRCODE = 'EUR'"}
                                                     << "ERROR:OPTION_NOT_VALID";
        QTest::newRow("row longer than 72") << QStringList{QString("CARRID = 'LH'").leftJustified(73, ' ')} << "ERROR:OPTION_NOT_VALID";
        QTest::newRow("no blank around =") << QStringList{"CARRID='LH'"} << "ERROR:OPTION_NOT_VALID";
        QTest::newRow("unknown column") << QStringList{"BOGUS = 'X'"} << "ERROR:OPTION_NOT_VALID";
        QTest::newRow("other table's column") << QStringList{"SPFLI~CARRID = 'LH'"} << "ERROR:OPTION_NOT_VALID";
        QTest::newRow("unclosed literal") << QStringList{"CARRID = 'LH"} << "ERROR:OPTION_NOT_VALID";
        QTest::newRow("unquoted text") << QStringList{"CARRID = LH"} << "ERROR:OPTION_NOT_VALID";
        QTest::newRow("number for a text column") << QStringList{"CARRID = 12"} << "ERROR:OPTION_NOT_VALID";
        QTest::newRow("dangling AND") << QStringList{"CARRID = 'LH' AND"} << "ERROR:OPTION_NOT_VALID";
        QTest::newRow("NOT NOT") << QStringList{"NOT NOT CARRID = 'LH'"} << "ERROR:OPTION_NOT_VALID";
        QTest::newRow("open parenthesis") << QStringList{"( CARRID = 'LH'"} << "ERROR:OPTION_NOT_VALID";
        QTest::newRow("extra parenthesis") << QStringList{"CARRID = 'LH' )"} << "ERROR:OPTION_NOT_VALID";
        QTest::newRow("empty IN") << QStringList{"CARRID IN ( )"} << "ERROR:OPTION_NOT_VALID";
        QTest::newRow("long escape") << QStringList{"CARRID LIKE 'L%' ESCAPE 'ab'"} << "ERROR:OPTION_NOT_VALID";
        QTest::newRow("escape before a letter") << QStringList{"CARRID LIKE 'L#H' ESCAPE '#'"} << "ERROR:OPTION_NOT_VALID";
        QTest::newRow("literal longer than the column") << QStringList{"CARRID = 'LHXX'"} << "ERROR:OPTION_NOT_VALID";
        QTest::newRow("missing operator") << QStringList{"CARRID 'LH'"} << "ERROR:OPTION_NOT_VALID";
        QTest::newRow("backquote literal") << QStringList{"CARRID = `LH`"} << "ERROR:OPTION_NOT_VALID";
    }
    void airlines()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, carriers);
        QCOMPARE(select("SCARR", {"CARRID"}, options), carriers);
    }

    // SPFLI: numbers, NUMC and non-ASCII values in conditions.
    void connections_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("flights");
        QTest::newRow("INT4 unquoted") << QStringList{"FLTIME > 700"} << "BA0247,JL0407,LH0506,SQ0026,SR0092";
        QTest::newRow("INT4 quoted") << QStringList{"FLTIME >= '735'"} << "JL0407,SQ0026,SR0092";
        QTest::newRow("packed with decimals") << QStringList{"DISTANCE > '9000.5'"} << "AF0444,BA0247,JL0407,LH0506,SQ0026,SR0092,UA0941";
        QTest::newRow("packed unquoted") << QStringList{"DISTANCE < 400"} << "G31450,TP1947";
        QTest::newRow("INT2") << QStringList{"PERIOD = 1 AND DISTID = 'KM'"} << "AD8700,AF0444,BA0247,LH0506,SQ0026,SR0092";
        QTest::newRow("NUMC unquoted is padded") << QStringList{"CONNID = 400"} << "LH0400";
        QTest::newRow("NUMC quoted is compared as written") << QStringList{"CONNID = '400'"} << "";
        QTest::newRow("NUMC quoted with zeros") << QStringList{"CONNID = '0400'"} << "LH0400";
        QTest::newRow("TIMS") << QStringList{"DEPTIME < '080000'"} << "G31450,LH2436";
        QTest::newRow("non-ASCII") << QStringList{"CITYFROM = 'SÃO PAULO'"} << "AD8700,G31450";
        QTest::newRow("underscore is one character") << QStringList{"CITYFROM LIKE 'S_O PAULO'"} << "AD8700,G31450";
        QTest::newRow("text is not a number") << QStringList{"FLTIME = 'abc'"} << "ERROR:OPTION_NOT_VALID";
        QTest::newRow("LIKE needs a character column") << QStringList{"DISTANCE LIKE '1%'"} << "ERROR:OPTION_NOT_VALID";
        QTest::newRow("column compared with column") << QStringList{"COUNTRYFR = SPFLI~COUNTRYTO AND CARRID = 'LH'"} << "LH2402,LH2436";
    }
    void connections()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, flights);
        // CARRID is three characters wide: "LH0400" stands for the line "LH 0400".
        flights.replace(QRegularExpression("\\b([A-Z0-9]{2})(\\d{4})\\b"), "\\1 \\2");
        QCOMPARE(select("SPFLI", {"CARRID", "CONNID"}, options), flights);
    }

    void escapeFindsUnderscore()
    {
        QCOMPARE(select("USR02", {"BNAME"}, {"BNAME LIKE '%#_%' ESCAPE '#'"}), QString("RFC_USER"));
        // Without ESCAPE the underscore matches any character.
        QVERIFY(select("USR02", {"BNAME"}, {"BNAME LIKE '%_%'"}).count(',') > 5);
    }

    // Three-valued logic: rows whose CVP_XBLCK is NULL satisfy neither a comparison nor its NOT.
    void nullIsNeitherEqualNorUnequal()
    {
        const auto count = [&](const QString& option) {
            const QString l = select("KNA1", {"KUNNR"}, {option});
            return l.isEmpty() ? 0 : int(l.count(',') + 1);
        };
        const int all = count("");
        const int nulls = count("CVP_XBLCK IS NULL");
        QVERIFY(nulls > 0);
        QCOMPARE(count("CVP_XBLCK IS NOT NULL") + nulls, all);
        QCOMPARE(count("CVP_XBLCK = ''") + count("NOT CVP_XBLCK = ''") + nulls, all);
        QCOMPARE(count("CVP_XBLCK LIKE '%'"), all);
    }

    void quotesResolveInTheTree()
    {
        const demo::TableDef* scarr = demo::Dictionary::instance().table("SCARR");
        const auto parsed = demo::WhereParser(*scarr).parse({"CARRNAME = 'O''Neil' OR CARRNAME = ''"});
        QVERIFY2(parsed.ok(), parsed.error.c_str());
        QCOMPARE(parsed.root->kind, demo::WhereNode::Kind::Or);
        QCOMPARE(QString::fromStdString(parsed.root->children[0]->values[0].text), QString("O'Neil"));
        // '' alone is one blank, which equals an empty field.
        QCOMPARE(QString::fromStdString(parsed.root->children[1]->values[0].text), QString(""));
    }

    // Hostile conditions end in an error or match nothing; the database stays as it was.
    void injectionLeavesDataAlone_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("answer");
        QTest::newRow("SQL after a literal") << QStringList{"KUNNR = '1' OR 1=1; DROP TABLE KNA1 --"} << "ERROR:OPTION_NOT_VALID";
        QTest::newRow("quote games stay inside the literal") << QStringList{"NAME1 = 'x'' OR ''1''=''1'"} << "";
        QTest::newRow("unbalanced quotes") << QStringList{"NAME1 = 'x' OR NAME1 = 'y"} << "ERROR:OPTION_NOT_VALID";
        QTest::newRow("sub-select") << QStringList{"KUNNR IN ( SELECT KUNNR FROM KNB1 )"} << "ERROR:OPTION_NOT_VALID";
        QTest::newRow("SQLite function") << QStringList{"KUNNR = char(49)"} << "ERROR:OPTION_NOT_VALID";
        QTest::newRow("comment marker") << QStringList{"KUNNR = '1' -- '"} << "ERROR:OPTION_NOT_VALID";
    }
    void injectionLeavesDataAlone()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, answer);
        const QString before = select("KNA1", {"KUNNR"}, {});
        QCOMPARE(select("KNA1", {"KUNNR"}, options), answer);
        QCOMPARE(select("KNA1", {"KUNNR"}, {}), before);
    }

    void deepNestingIsAnError()
    {
        // 10,000 parentheses in rows of 72 characters.
        const QString text = QString(10000, '(') + " KUNNR = '1' " + QString(10000, ')');
        QStringList rows;
        for (int i = 0; i < text.size(); i += 72) rows << text.mid(i, 72);
        QCOMPARE(select("KNA1", {"KUNNR"}, rows), QString("ERROR:OPTION_NOT_VALID"));
        const auto parsed = demo::WhereParser(*demo::Dictionary::instance().table("KNA1")).parse(toRows(rows));
        QVERIFY(!parsed.ok());
        // A moderate depth is fine.
        const QString moderate = QString(50, '(') + " CARRID = 'LH' " + QString(50, ')');
        QCOMPARE(select("SCARR", {"CARRID"}, {moderate.left(72), moderate.mid(72)}), QString("LH"));
    }
};

QTEST_GUILESS_MAIN(WhereParserTest)
#include "where_parser.moc"
