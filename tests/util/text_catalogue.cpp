// The two-language text catalogue and the greeting that picks its wording by the time of day.
#include "util/AppSettings.h"
#include "util/Greeting.h"
#include "util/LanguageMessage.h"
#include "util/UiTexts.h"

#include <QRegularExpression>
#include <QtTest>

using namespace qvor;

class TextCatalogue : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { appSettings() = {}; }
    void everyTextHasBothWordings();
    void greetsByTimeOfDay_data();
    void greetsByTimeOfDay();
    void welcomeFollowsLanguageTests();
    void fillsPlaceholdersOnce();
};

void TextCatalogue::everyTextHasBothWordings()
{
    const auto texts = allTexts();
    QVERIFY(!texts.empty());
    const QRegularExpression placeholder(QStringLiteral("%\\d"));
    auto placeholders = [&](const QString& text) {
        QStringList found;
        for (auto it = placeholder.globalMatch(text); it.hasNext();) found << it.next().captured();
        found.sort();
        return found;
    };
    QSet<QString> names;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const TextEntry& entry = texts[i];
        const QString name = QString::fromLatin1(entry.name);
        QVERIFY2(!names.contains(name), qPrintable(name));
        names.insert(name);
        QCOMPARE(static_cast<std::size_t>(entry.id), i);
        const QString en = QString::fromUtf8(entry.en);
        const QString pt = QString::fromUtf8(entry.pt);
        QVERIFY2(!en.isEmpty() && !pt.isEmpty(), qPrintable(name));
        QVERIFY2(placeholders(en) == placeholders(pt), qPrintable(name));
        QVERIFY2(!en.contains(QChar::ReplacementCharacter) && !pt.contains(QChar::ReplacementCharacter),
                 qPrintable(name));
        if (entry.oneWording) QCOMPARE(en, pt);
    }
}

void TextCatalogue::greetsByTimeOfDay_data()
{
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("portuguese");
    QTest::newRow("00:00") << QTime(0, 0) << "Good morning " << "Bom dia ";
    QTest::newRow("12:00:59 is still 12:00") << QTime(12, 0, 59) << "Good morning " << "Bom dia ";
    QTest::newRow("12:01") << QTime(12, 1) << "Good afternoon " << "Boa tarde ";
    QTest::newRow("17:59:59") << QTime(17, 59, 59) << "Good afternoon " << "Boa tarde ";
    QTest::newRow("18:00") << QTime(18, 0) << "Good evening " << "Boa noite ";
    QTest::newRow("23:59") << QTime(23, 59) << "Good evening " << "Boa noite ";
}

void TextCatalogue::greetsByTimeOfDay()
{
    QFETCH(QTime, time);
    QFETCH(QString, english);
    QFETCH(QString, portuguese);
    QCOMPARE(greetingWord(time, false), english);
    QCOMPARE(greetingWord(time, true), portuguese);
}

void TextCatalogue::welcomeFollowsLanguageTests()
{
    const QTime morning(9, 30);
    appSettings().OptEN = true;
    QCOMPARE(welcomeText(morning, QStringLiteral("jdoe")), QStringLiteral("Good morning jdoe. Welcome to Orvane"));
    appSettings().OptEN = false;
    appSettings().OptCT = true;
    QCOMPARE(welcomeText(QTime(18, 0), QStringLiteral("jdoe")), QStringLiteral("Good evening jdoe. Welcome to Orvane"));
    // Where both tests hold the Portuguese wording is the one that stays.
    appSettings().OptPT = true;
    QCOMPARE(welcomeText(QTime(12, 30), QStringLiteral("jdoe")), QStringLiteral("Boa tarde jdoe. Bem-vindo ao Orvane"));
    QCOMPARE(welcomeText(morning, QString()), QStringLiteral("Bom dia . Bem-vindo ao Orvane"));
}

void TextCatalogue::fillsPlaceholdersOnce()
{
    QCOMPARE(fillText(QStringLiteral("Abrindo %1..."), {QStringLiteral("/tmp/a%2b.csv")}),
             QStringLiteral("Abrindo /tmp/a%2b.csv..."));
    QCOMPARE(fillText(QStringLiteral("%2 then %1"), {QStringLiteral("a"), QStringLiteral("b")}), QStringLiteral("b then a"));
    QCOMPARE(fillText(QStringLiteral("100% %1 %3"), {QStringLiteral("x")}), QStringLiteral("100% x %3"));
}

QTEST_GUILESS_MAIN(TextCatalogue)
#include "text_catalogue.moc"
