// The conversion of typed values into the character slots of a data line.
#include "rfc/Utf8.h"
#include "demosystem/ValueFormat.h"
#include "demosystem/WhereSql.h"

#include <QtTest>

using namespace demo;

class ValueFormatTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void packed_data()
    {
        QTest::addColumn<qint64>("scaled");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("slot");
        QTest::newRow("DEC 3,1 99.0 overflows") << qint64(990) << 1 << 3 << "*.0";
        QTest::newRow("DEC 9,5 -116.386 overflows") << qint64(-11638600) << 5 << 9 << "*6.38600-";
        QTest::newRow("CURR 13,2 gives up its sign place") << qint64(418437422100) << 2 << 13 << "4184374221.00";
        QTest::newRow("CURR 13,2 too long") << qint64(1129184760800) << 2 << 13 << "*291847608.00";
        QTest::newRow("negative fits") << qint64(-500) << 2 << 13 << "        5.00-";
        QTest::newRow("positive keeps a blank sign") << qint64(500) << 2 << 13 << "        5.00 ";
        QTest::newRow("below one") << qint64(50) << 2 << 6 << " 0.50 ";
        QTest::newRow("small fraction") << qint64(5) << 2 << 6 << " 0.05 ";
        QTest::newRow("zero") << qint64(0) << 2 << 5 << "0.00 ";
        QTest::newRow("negative that only fits without sign") << qint64(-418437422100) << 2 << 13 << "*84374221.00-";
        QTest::newRow("no decimals") << qint64(42) << 0 << 3 << "42 ";
    }
    void packed()
    {
        QFETCH(qint64, scaled);
        QFETCH(int, decimals);
        QFETCH(int, length);
        QFETCH(QString, slot);
        const std::string got = format::packed(scaled, decimals, length);
        QCOMPARE(QString::fromStdString(got), slot);
        QCOMPARE(int(got.size()), length);
    }

    void packedModernIsLeftJustifiedOneLonger()
    {
        QCOMPARE(QString::fromStdString(format::packedModern(-500, 2, 13)), QString("5.00-         "));
        QCOMPARE(QString::fromStdString(format::packedModern(990, 1, 3)), QString("99.0"));
    }

    void integers_data()
    {
        QTest::addColumn<qint64>("value");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("slot");
        QTest::newRow("INT4 max gives up sign place") << qint64(2147483647) << 10 << "2147483647";
        QTest::newRow("INT4 min overflows") << qint64(-2147483648LL) << 10 << "*47483648-";
        QTest::newRow("INT4 small negative") << qint64(-5) << 10 << "        5-";
        QTest::newRow("INT2 negative five digits") << qint64(-32768) << 5 << "*768-";
        QTest::newRow("INT2 four digits negative") << qint64(-1234) << 5 << "1234-";
    }
    void integers()
    {
        QFETCH(qint64, value);
        QFETCH(int, length);
        QFETCH(QString, slot);
        QCOMPARE(QString::fromStdString(format::integer(value, length)), slot);
    }

    void floats_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("slot");
        QTest::newRow("one") << 1.0 << "1.0000000000E+00";
        QTest::newRow("zero") << 0.0 << "0.0000000000E+00";
        QTest::newRow("negative loses a digit") << -1.0 << "-1.000000000E+00";
        QTest::newRow("three-digit exponent") << 1e100 << "1.000000000E+100";
        QTest::newRow("negative, tiny") << -1.5e-300 << "-1.50000000E-300";
        QTest::newRow("rate") << -116.386 << "-1.163860000E+02";
    }
    void floats()
    {
        QFETCH(double, value);
        QFETCH(QString, slot);
        const std::string got = format::floating(value);
        QCOMPARE(QString::fromStdString(got), slot);
        QCOMPARE(got.size(), std::size_t(16));
    }

    void rawIsCutToLength()
    {
        const unsigned char guid[16] = {0x01, 0xAB, 0xFF, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x7F};
        // RAW16 shows only the first 8 of its 16 bytes.
        QCOMPARE(QString::fromStdString(format::raw(guid, 16, 16)), QString("01ABFF1000000000"));
        QCOMPARE(QString::fromStdString(format::raw(guid, 16, 3)), QString("01A"));
        QCOMPARE(QString::fromStdString(format::raw(guid, 1, 4)), QString("0100"));
    }

    void charactersNotBytes()
    {
        std::string out;
        rfc::utf8::appendLeft(out, "São Paulo", 5);
        QCOMPARE(QString::fromStdString(out), QString("São P"));
        out.clear();
        rfc::utf8::appendLeft(out, "München", 10);
        QCOMPARE(rfc::utf8::length(out), std::size_t(10));
        QCOMPARE(QString::fromStdString(out), QString("München   "));
        QCOMPARE(rfc::utf8::length("Ação"), std::size_t(4));
    }

    void like_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("escape");
        QTest::addColumn<bool>("matches");
        QTest::newRow("prefix") << "Lufthansa" << "Luft%" << "" << true;
        QTest::newRow("case-sensitive") << "Lufthansa" << "luft%" << "" << false;
        QTest::newRow("one character is one code point") << "SÃO PAULO" << "S_O PAULO" << "" << true;
        QTest::newRow("underscore needs a character") << "AB" << "AB_" << "" << false;
        QTest::newRow("percent matches empty") << "AB" << "AB%" << "" << true;
        QTest::newRow("backtracking") << "abcabcabd" << "%abd" << "" << true;
        QTest::newRow("inner run") << "Air France" << "A%r%e" << "" << true;
        QTest::newRow("escaped percent") << "100%" << "100#%" << "#" << true;
        QTest::newRow("escaped percent is literal") << "1000" << "100#%" << "#" << false;
        QTest::newRow("escaped underscore") << "RFC_USER" << "%#_%" << "#" << true;
        QTest::newRow("escaped underscore no match") << "RFCUSER" << "%#_%" << "#" << false;
        QTest::newRow("escaped escape") << "a#b" << "a##b" << "#" << true;
    }
    void like()
    {
        QFETCH(QString, value);
        QFETCH(QString, pattern);
        QFETCH(QString, escape);
        QFETCH(bool, matches);
        QCOMPARE(WhereSql::likeMatches(value.toStdString(), pattern.toStdString(), escape.toStdString()), matches);
    }
};

QTEST_GUILESS_MAIN(ValueFormatTest)
#include "value_format.moc"
