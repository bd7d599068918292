// The first logon to the demo system generates its database file and says so meanwhile; the next
// logon finds the file and says nothing.
#include "sap/EmbeddedTransport.h"
#include "sap/RfcReply.h"
#include "util/AppSettings.h"
#include "util/StatusPanels.h"
#include "util/UiTexts.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace qvor;

class DemoFirstUseTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    void generatesOnceAndSaysSo()
    {
        const QString path = dir_.filePath(QStringLiteral("demo.sqlite"));
        qputenv("QVOR_DEMO_DATABASE", QFile::encodeName(path));
        appSettings().OptEN = true;
        QStringList shown;
        connect(&panels(), &StatusPanels::messageChanged, this, [&](const QString& text) { shown << text; });

        const LogonValues demo{QStringLiteral("DEMO"), QStringLiteral("001"), QStringLiteral("DEMO"),
                               QStringLiteral("demo"), QStringLiteral("EN")};
        EmbeddedTransport first;
        std::unique_ptr<RfcReply> reply(first.logon(demo));
        reply->waitForFinished();
        QCOMPARE(reply->errorText(), QString());
        QVERIFY(QFile::exists(path));
        QCOMPARE(shown, (QStringList{tx(TextId::SapPreparingDemo), QString()}));

        shown.clear();
        EmbeddedTransport second;
        reply.reset(second.logon(demo));
        reply->waitForFinished();
        QCOMPARE(reply->errorText(), QString());
        QCOMPARE(shown, QStringList());
    }
};

QTEST_GUILESS_MAIN(DemoFirstUseTest)
#include "demo_first_use.moc"
