// The logon dialog: the systems it offers, a refused try that keeps it open, and the system list
// it edits.
#include "app/LogonDialog.h"
#include "sap/SystemList.h"
#include "support/ScriptedUiServices.h"
#include "util/AppSettings.h"
#include "util/UiTexts.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace qvor;

namespace {

template <typename W>
W* child(QWidget* parent, const char* name)
{
    W* w = parent->findChild<W*>(QString::fromLatin1(name));
    if (!w) qFatal("no child %s", name);
    return w;
}

void clickOk(QWidget* dialog)
{
    child<QDialogButtonBox>(dialog, "")->button(QDialogButtonBox::Ok)->click();
}

} // namespace

class LogonDialogTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString listPath() const { return dir_.filePath(QStringLiteral("QvorSystems.ini")); }

private Q_SLOTS:
    void init()
    {
        appSettings() = {};
        appSettings().OptEN = true;
        QFile::remove(listPath());
        LogonDialog::setSystemListPathForTests(listPath());
    }

    void refusedTryKeepsTheDialogOpen()
    {
        QList<LogonEntry> tries;
        LogonDialog dlg([&](const LogonEntry& e) {
            tries << e;
            return tries.size() == 1 ? QStringLiteral("Name or password is incorrect (repeat logon)") : QString();
        });
        auto* system = child<QComboBox>(&dlg, "system");
        QCOMPARE(system->itemText(0), QStringLiteral("DEMO - Embedded demo system"));
        QCOMPARE(system->count(), 1);
        QVERIFY(!child<QPushButton>(&dlg, "editSystem")->isEnabled());
        QVERIFY(!child<QPushButton>(&dlg, "removeSystem")->isEnabled());
        QCOMPARE(child<QLineEdit>(&dlg, "password")->echoMode(), QLineEdit::Password);

        // Missing password: refused before any try.
        clickOk(&dlg);
        QVERIFY(tries.isEmpty());
        QCOMPARE(dlg.errorText(), QStringLiteral("Enter the password."));

        child<QLineEdit>(&dlg, "password")->setText(QStringLiteral("wrong"));
        child<QLineEdit>(&dlg, "language")->setText(QStringLiteral("pt"));
        clickOk(&dlg);
        QCOMPARE(tries.size(), 1);
        QCOMPARE(tries[0].systemName, QStringLiteral("DEMO"));
        QCOMPARE(tries[0].client, QStringLiteral("001"));
        QCOMPARE(tries[0].user, QStringLiteral("DEMO"));
        QCOMPARE(tries[0].password, QStringLiteral("wrong"));
        QCOMPARE(tries[0].language, QStringLiteral("PT"));
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(dlg.errorText(), QStringLiteral("Name or password is incorrect (repeat logon)"));

        // An empty language is passed on: the connection asks for it itself.
        child<QLineEdit>(&dlg, "language")->clear();
        clickOk(&dlg);
        QCOMPARE(tries.size(), 2);
        QCOMPARE(tries[1].language, QString());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }

    void listedSystemsFillTheirDefaults()
    {
        SystemList list(listPath());
        list.put({QStringLiteral("PRD"), QStringLiteral("Production"), QStringLiteral("https://sap.example.com/"),
                  QStringLiteral("100"), QStringLiteral("EN"), QStringLiteral("JSMITH"), true});
        QVERIFY(list.save());
        test::ScriptedUiServices ui;
        ui.messageAnswers.push_back(MsgResult::Yes);

        LogonDialog dlg([](const LogonEntry&) { return QString(); });
        auto* system = child<QComboBox>(&dlg, "system");
        QCOMPARE(system->count(), 2);
        QCOMPARE(system->itemText(1), QStringLiteral("PRD - Production"));
        child<QLineEdit>(&dlg, "password")->setText(QStringLiteral("secret"));
        system->setCurrentIndex(1);
        QCOMPARE(child<QLineEdit>(&dlg, "client")->text(), QStringLiteral("100"));
        QCOMPARE(child<QLineEdit>(&dlg, "user")->text(), QStringLiteral("JSMITH"));
        QCOMPARE(child<QLineEdit>(&dlg, "password")->text(), QString());   // never carried to another system
        QVERIFY(child<QPushButton>(&dlg, "removeSystem")->isEnabled());

        child<QPushButton>(&dlg, "removeSystem")->click();
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(system->count(), 1);
        SystemList after(listPath());
        QVERIFY(after.load());
        QVERIFY(after.entries().empty());
    }

    void addSystemThroughItsDialog()
    {
        LogonDialog dlg([](const LogonEntry&) { return QString(); });
        QString firstError, proxyError, fileError;
        QTimer::singleShot(0, this, [&] {
            QWidget* entry = QApplication::activeModalWidget();
            QVERIFY(entry && entry->objectName() == QLatin1String("systemEntryDialog"));
            child<QLineEdit>(entry, "name")->setText(QStringLiteral("QAS"));
            child<QLineEdit>(entry, "address")->setText(QStringLiteral("sap.example.com"));   // no scheme
            clickOk(entry);
            firstError = child<QLabel>(entry, "error")->text();
            child<QLineEdit>(entry, "address")->setText(QStringLiteral("https://qas.example.com:44300/sap/bc/soap/rfc"));
            child<QLineEdit>(entry, "client")->setText(QStringLiteral("200"));
            child<QCheckBox>(entry, "verifyTls")->setChecked(false);
            // The list is plain text: no proxy password, and no certificate file that cannot be read.
            child<QLineEdit>(entry, "proxy")->setText(QStringLiteral("http://jsmith:pw@proxy.example.com:3128"));
            clickOk(entry);
            proxyError = child<QLabel>(entry, "error")->text();
            child<QLineEdit>(entry, "proxy")->setText(QStringLiteral("http://proxy.example.com:3128"));
            child<QLineEdit>(entry, "clientCertificate")->setText(QStringLiteral("/nonexistent/jsmith.pem"));
            clickOk(entry);
            fileError = child<QLabel>(entry, "error")->text();
            child<QLineEdit>(entry, "clientCertificate")->clear();
            clickOk(entry);
        });
        child<QPushButton>(&dlg, "addSystem")->click();

        QVERIFY(!firstError.isEmpty());
        QCOMPARE(proxyError, tx(TextId::SystemEntryProxyPassword));
        QCOMPARE(fileError, tx(TextId::SystemEntryFileUnreadable).arg(QStringLiteral("/nonexistent/jsmith.pem")));
        auto* system = child<QComboBox>(&dlg, "system");
        QCOMPARE(system->count(), 2);
        QCOMPARE(system->currentText(), QStringLiteral("QAS"));
        QCOMPARE(child<QLineEdit>(&dlg, "client")->text(), QStringLiteral("200"));
        SystemList saved(listPath());
        QVERIFY(saved.load());
        QCOMPARE(saved.entries().size(), std::size_t(1));
        QCOMPARE(saved.entries()[0].address, QStringLiteral("https://qas.example.com:44300/sap/bc/soap/rfc"));
        QCOMPARE(saved.entries()[0].verifyTls, false);
        QCOMPARE(saved.entries()[0].proxy, QStringLiteral("http://proxy.example.com:3128"));
    }
};

QTEST_MAIN(LogonDialogTest)
#include "logon_dialog.moc"
