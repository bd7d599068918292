// The 8-bit text codec, the fixed-width key lines and the number helpers shared by every file
// the program reads or writes.
#include "util/FileCodec.h"
#include "util/KeyLines.h"
#include "util/Rounding.h"
#include "util/Twips.h"

#include <QtTest>

using namespace qvor;

class TextFormats : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void decodes_data();
    void decodes();
    void splitsLines_data();
    void splitsLines();
    void writesKeyFields();
    void converts_data();
    void converts();
    void roundsHalfToEven();
};

void TextFormats::decodes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("utf-8") << QByteArray("S\xC3\xA3o \xE2\x82\xAC") << QStringLiteral(u"São €");
    QTest::newRow("bom stripped") << QByteArray("\xEF\xBB\xBFz") << QStringLiteral("z");
    QTest::newRow("latin-1 letters") << QByteArray("S\xE3o Jos\xE9") << QStringLiteral(u"São José");
    QTest::newRow("1252 high table") << QByteArray("\x80\x8A\x92\x96\x9F") << QStringLiteral(u"€Š’–Ÿ");
    QTest::newRow("1252 undefined bytes") << QByteArray("\x81\x8D\x9D\xE9") << QStringLiteral(u"\u0081\u008D\u009Dé");
    QTest::newRow("truncated utf-8 at end") << QByteArray("ab\xC3") << QStringLiteral(u"abÃ");
    QTest::newRow("bom then 1252") << QByteArray("\xEF\xBB\xBF\xE9") << QStringLiteral(u"é");
}

void TextFormats::decodes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(decode8Bit(bytes), text);
}

void TextFormats::splitsLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << QString() << QStringList{};
    QTest::newRow("crlf") << QStringLiteral("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("lf, no final end") << QStringLiteral("a\r\nb\nc") << QStringList{"a", "b", "c"};
    QTest::newRow("lone cr stays") << QStringLiteral("a\rb\r\nc\r") << QStringList{"a\rb", "c\r"};
    QTest::newRow("empty lines kept") << QStringLiteral("\r\n\nx\r\n\r\n") << QStringList{"", "", "x", ""};
}

void TextFormats::splitsLines()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QCOMPARE(splitLines(text), lines);
    // Written with CR LF, the lines read back the same.
    QCOMPARE(splitLines(decode8Bit(joinLinesCrLf(lines))), lines);
}

void TextFormats::writesKeyFields()
{
    QCOMPARE(joinLinesCrLf({QStringLiteral("a"), QStringLiteral(u"é")}), QByteArray("a\r\n\xC3\xA9\r\n"));
    QCOMPARE(keyLine(QStringLiteral("OptEN"), QStringLiteral("True")), QStringLiteral("OptEN        True"));
    QCOMPARE(formatNumber(1200), QStringLiteral(" 1200 "));
    QCOMPARE(formatNumber(-32768), QStringLiteral("-32768 "));
    QCOMPARE(formatBool(false), QStringLiteral("False"));
    QCOMPARE(listKey(QStringLiteral("ssAddTab"), 1), QStringLiteral("ssAddTab 001 "));
    QCOMPARE(listKey(QStringLiteral("ssField  "), 42), QStringLiteral("ssField  042 "));
    QCOMPARE(listKey(QStringLiteral("ssOption"), 999), QStringLiteral("ssOption 999 "));
    QCOMPARE(valueFrom14(QStringLiteral("fzeqTop       1200 ")), QStringLiteral(" 1200 "));
    QCOMPARE(valueFrom14(QStringLiteral("exactly13char")), QString());
}

void TextFormats::converts_data()
{
    // Error numbers: 0 converts, 6 Overflow, 13 Type mismatch.
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("boolError");
    QTest::addColumn<int>("int16Error");
    QTest::addColumn<int>("int32Error");
    QTest::addColumn<qint64>("value");
    QTest::newRow("True with blanks") << "  True " << 0 << 13 << 13 << qint64(1);
    QTest::newRow("False") << "False" << 0 << 13 << 13 << qint64(0);
    QTest::newRow("lower-case true") << "true" << 13 << 13 << 13 << qint64(0);
    QTest::newRow("written number") << " 1200 " << 13 << 0 << 0 << qint64(1200);
    QTest::newRow("plus sign") << "+7" << 13 << 0 << 0 << qint64(7);
    QTest::newRow("16-bit bottom") << "-32768" << 13 << 0 << 0 << qint64(-32768);
    QTest::newRow("above 16 bits") << " 32768 " << 13 << 6 << 0 << qint64(32768);
    QTest::newRow("above 32 bits") << "-2147483649" << 13 << 6 << 6 << qint64(-2147483649LL);
    QTest::newRow("beyond 64 bits") << "99999999999999999999" << 13 << 6 << 6 << qint64(0);
    QTest::newRow("empty") << "" << 13 << 13 << 13 << qint64(0);
    QTest::newRow("sign alone") << "-" << 13 << 13 << 13 << qint64(0);
    QTest::newRow("inner blank") << "1 2" << 13 << 13 << 13 << qint64(0);
    QTest::newRow("decimal") << "1.5" << 13 << 13 << 13 << qint64(0);
}

void TextFormats::converts()
{
    QFETCH(QString, text);
    QFETCH(int, boolError);
    QFETCH(int, int16Error);
    QFETCH(int, int32Error);
    QFETCH(qint64, value);
    AppError eb, e16, e32;
    const auto b = toBool(text, &eb);
    const auto v16 = toInt16(text, &e16);
    const auto v32 = toInt32(text, &e32);
    QCOMPARE(eb.number, boolError);
    QCOMPARE(e16.number, int16Error);
    QCOMPARE(e32.number, int32Error);
    QCOMPARE(b.has_value() && v16.has_value(), false);
    if (b) QCOMPARE(qint64(*b), value);
    if (v16) QCOMPARE(qint64(*v16), value);
    if (v32) QCOMPARE(qint64(*v32), value);
    if (int32Error != 13 && int16Error != 6) QCOMPARE(parseInteger(text), std::optional<qint64>(value));
}

void TextFormats::roundsHalfToEven()
{
    const std::pair<double, int> cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {2.5000001, 3}, {-1.5, -2},
                                            {-2.5, -2}, {-2.6, -3}, {1e12, INT_MAX}, {std::nan(""), 0}};
    for (const auto& [value, rounded] : cases) QCOMPARE(roundHalfEven(value), rounded);
    QCOMPARE(twipsToPixels(11295, 96), 753);
    QCOMPARE(pixelsToTwips(753, 96), 11295);
    QCOMPARE(twipsToPixels(2680, 120), 223);
    QCOMPARE(twipsToPixels(45, 144), 4);   // 4.5 goes to the even neighbour
}

QTEST_GUILESS_MAIN(TextFormats)
#include "text_formats.moc"
