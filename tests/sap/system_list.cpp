// The system list file: what survives a round trip, what is never written, what is refused.
#include "sap/SystemList.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace qvor;

class SystemListTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void roundTripThroughTheFile()
    {
        QTemporaryDir dir;
        SystemList list(dir.filePath(QStringLiteral("QvorSystems.ini")));
        QVERIFY(list.load());   // no file yet: an empty list
        QVERIFY(list.entries().empty());

        const SystemEntry prd{QStringLiteral("PRD"), QStringLiteral("Produção = Frankfurt; [main] "),
                              QStringLiteral("https://sap.example.com:44300/sap/bc/soap/rfc?x=1"), QStringLiteral("100"),
                              QStringLiteral("PT"), QStringLiteral("JSMITH"), true, QStringLiteral("http://proxy:3128"),
                              QStringLiteral("/etc/ssl/ca.pem"), QStringLiteral("/home/j/cert.pem"), QStringLiteral("/home/j/key.pem")};
        const SystemEntry dev{QStringLiteral("DEV 2"), QString(), QStringLiteral("http://10.0.0.1:8000/sap/bc/soap/rfc"),
                              QStringLiteral("200"), QString(), QString(), false};
        list.put(prd);
        list.put(dev);
        QVERIFY(list.save());

        SystemList again(list.path());
        QVERIFY(again.load());
        QCOMPARE(again.entries().size(), std::size_t(2));
        QCOMPARE(again.entries()[0], prd);
        QCOMPARE(again.entries()[1], dev);

        QFile f(list.path());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.contains("\r\n[PRD]\r\n"));
        QVERIFY(!bytes.contains("\n\n"));   // every line break is CR LF
        // Keys an entry does not use are not written: a file without them reads as before.
        QCOMPARE(bytes.count("Proxy="), 1);
        QCOMPARE(bytes.count("ClientKey="), 1);
    }

    // A password typed into a hand-edited file is neither kept nor written back.
    void passwordsNeverReachTheFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("QvorSystems.ini"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[PRD]\nPassword=s3cret\nUser=JSMITH\nClient=100\n");
        }
        SystemList list(path);
        QVERIFY(list.load());
        QCOMPARE(list.entries().size(), std::size_t(1));
        QCOMPARE(list.entries()[0].user, QStringLiteral("JSMITH"));
        QVERIFY(list.save());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(!bytes.contains("s3cret"));
        QVERIFY(!bytes.contains("Password="));
    }

    void readsWhatPeopleWrite()
    {
        const QByteArray text = "# my systems\n; old comment\nUser=ORPHAN\n\n[QAS]\r\nDescription= two  blanks \r\n"
                                "Unknown=ignored\nVerifyTls=false\nnot a key line\n[ ]\nClient=300\n[DEMO]\n[T1]\n";
        const std::vector<SystemEntry> entries = SystemList::parse(text);
        // The block without a name and the demo system's name are dropped.
        QCOMPARE(entries.size(), std::size_t(2));
        QCOMPARE(entries[0].name, QStringLiteral("QAS"));
        QCOMPARE(entries[0].description, QStringLiteral(" two  blanks "));
        QCOMPARE(entries[0].verifyTls, false);
        QCOMPARE(entries[0].user, QString());
        QCOMPARE(entries[1].name, QStringLiteral("T1"));
        QCOMPARE(entries[1].verifyTls, true);
    }

    // A line break typed into a value must not turn into a key of its own.
    void valuesStayOnOneLine()
    {
        SystemEntry e{QStringLiteral("PRD"), QStringLiteral("line\r\n[EVIL]\nUser=X"), QStringLiteral("https://h/"),
                      QStringLiteral("100"), QStringLiteral("EN"), QStringLiteral("U"), true};
        const std::vector<SystemEntry> back = SystemList::parse(SystemList::serialize({e}));
        QCOMPARE(back.size(), std::size_t(1));
        QCOMPARE(back[0].user, QStringLiteral("U"));
    }

    // Names compare without case, a rename keeps the entry's place, and a failed save says why.
    void editingTheList()
    {
        SystemList list(QStringLiteral("/nonexistent/QvorSystems.ini"));
        list.put({QStringLiteral("PRD"), QStringLiteral("one")});
        list.put({QStringLiteral("QAS")});
        list.put({QStringLiteral("prd"), QStringLiteral("two")});
        QCOMPARE(list.entries().size(), std::size_t(2));
        QVERIFY(list.replace(QStringLiteral("Prd"), {QStringLiteral("P01"), QStringLiteral("renamed")}));
        QCOMPARE(list.entries()[0].name, QStringLiteral("P01"));
        QVERIFY(list.remove(QStringLiteral("qas")));
        QString error;
        QVERIFY(!list.save(&error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!SystemList::validate({QStringLiteral("Demo")}).isEmpty());
        QVERIFY(!SystemList::validate({QStringLiteral("P[1]")}).isEmpty());
    }
};

QTEST_GUILESS_MAIN(SystemListTest)
#include "system_list.moc"
