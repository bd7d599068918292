// Start-up, window geometry and the close sequence of the main window, driven offscreen.
#include "FrameFixture.h"

#include "app/MainStatusBar.h"
#include "app/PanelLabel.h"
#include "app/WindowGeometry.h"
#include "app/Workspace.h"
#include "util/Twips.h"
#include "util/widgets/AboutBox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

using namespace qvor;
using namespace qvor::test;

namespace {

// A query window whose user cancels the save question the first time it is asked.
class RefusingWindow : public QWidget {
public:
    int asked = 0;
protected:
    void closeEvent(QCloseEvent* e) override
    {
        if (++asked == 1) {
            appFlags().closeCancelled = true;
            e->ignore();
        } else {
            e->accept();
        }
    }
};

int px(int twips) { return twipsToPixels(twips, 96); }

QByteArray line(const char* key, const QByteArray& value)
{
    return QByteArray(key).leftJustified(13, ' ') + value + "\r\n";
}

} // namespace

class StartUpAndCloseTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstStartWithoutSettingsFile();
    void startupPictureNeverShowsButtons();
    void savedGeometryZeroIsNeverApplied();
    void geometryRoundTrip_data();
    void geometryRoundTrip();
    void geometryStore_data();
    void geometryStore();
    void messagePanelFollowsWidth();
    void closeRefusedWhileCancelledButExitAsksAgain();
    void settingsWrittenOnceAtCloseInExactFormat();
    void tooWideWindowKeepsPreviousWidth();
    void readFailureIsShownAndStartGoesOn();
    void administratorsFileReadUsersCopyWritten();
};

void StartUpAndCloseTest::firstStartWithoutSettingsFile()
{
    FrameFixture fx;
    QVERIFY(!QFile::exists(fx.settingsPath()));
    auto w = fx.start();

    QCOMPARE(fx.settingsBytes(), QByteArray());   // created empty, not written before the close
    QCOMPARE(w->size(), QSize(px(11295), px(6840)));
    QVERIFY(w->findChild<QToolBar*>()->isHidden());
    QVERIFY(w->mainStatusBar()->isHidden());
    QVERIFY(!commands().isChecked(QStringLiteral("mtoolbar")));
    QVERIFY(!commands().isChecked(QStringLiteral("mstatusbar")));
    QVERIFY(appSettings().OptEN && !appSettings().OptPT);
    QCOMPARE(commands().action(QStringLiteral("mfile"))->text(), QStringLiteral("File"));
    QCOMPARE(appSettings().listSeparator, QStringLiteral(";"));
    QCOMPARE(appSettings().SGlobal, QStringLiteral(QVOR_VERSION_TEXT));
    QCOMPARE(w->windowTitle(), QStringLiteral("Orvane for SAP R/3"));
    QCOMPARE(panels().connectionText(), QStringLiteral("Disconnected "));
    QVERIFY(panels().message().endsWith(QStringLiteral(". Welcome to Orvane")));
    QVERIFY(fx.services.messages.isEmpty());
    // The start-up picture is gone once the main window shows.
    for (QWidget* top : QApplication::topLevelWidgets())
        QVERIFY(!(qobject_cast<AboutBox*>(top) && top->isVisible()));
}

void StartUpAndCloseTest::startupPictureNeverShowsButtons()
{
    AboutBox box(QStringLiteral("1.2.3"));
    box.showAsStartupPicture();
    QVERIFY(box.isVisible() && !box.isModal());
    QCOMPARE(box.height(), px(AboutBox::StartupHeightTwips));
    for (QPushButton* b : box.findChildren<QPushButton*>())
        QVERIFY2(b->geometry().top() >= box.height(), qPrintable(b->text()));
    QCOMPARE(box.versionLine(), QStringLiteral("Version 1.2.3 12Mar2007"));
    QCOMPARE(box.windowTitle(), QStringLiteral("Sobre o ZEQ"));

    // The full box shows both.
    AboutBox full(QStringLiteral("1.2.3"));
    for (QPushButton* b : full.findChildren<QPushButton*>()) QVERIFY(b->geometry().bottom() < full.height());
}

void StartUpAndCloseTest::savedGeometryZeroIsNeverApplied()
{
    FrameFixture fx;
    fx.writeSettingsFile(line("fzeqTop", " 0 ") + line("fzeqLeft", " 1500 ") + line("fzeqHeight", " 6000 ")
                         + line("fzeqWidth", " 0 "));
    auto w = fx.start();
    const QRect frame = w->frameGeometry();
    QCOMPARE(frame.left(), px(1500));
    QCOMPARE(frame.height(), px(6000));
    QCOMPARE(w->width(), px(11295));   // width 0 left the design width

    TwipsGeometry current{111, 222, 333, 444};
    AppSettings zeros;
    const TwipsGeometry same = restoredGeometry(current, zeros);
    QCOMPARE(same.top, 111.0);
    QCOMPARE(same.width, 444.0);
}

void StartUpAndCloseTest::geometryRoundTrip_data()
{
    QTest::addColumn<QList<int>>("saved");     // top, left, height, width in twips
    QTest::addColumn<QList<int>>("expected");  // after each start and exit
    QTest::newRow("on screen") << QList<int>{1500, 1200, 6000, 9000} << QList<int>{1500, 1200, 6000, 9000};
    // The offscreen screen is 800 x 600 pixels: a window saved beyond its right edge and above its
    // top comes back with its frame inside it.
    QTest::newRow("off every screen") << QList<int>{-3000, 30000, 6000, 9000}
                                      << QList<int>{0, (800 - 600) * 15, 6000, 9000};
}

// Start and exit without user action leave the saved frame as it was, however often.
void StartUpAndCloseTest::geometryRoundTrip()
{
    QFETCH(QList<int>, saved);
    QFETCH(QList<int>, expected);
    FrameFixture fx;
    const auto number = [](int v) { return QByteArray(v < 0 ? "" : " ") + QByteArray::number(v) + " "; };
    fx.writeSettingsFile(line("fzeqTop", number(saved[0])) + line("fzeqLeft", number(saved[1]))
                         + line("fzeqHeight", number(saved[2])) + line("fzeqWidth", number(saved[3])));
    for (int cycle = 1; cycle <= 3; ++cycle) {
        appSettings() = {};
        auto w = fx.start();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->runCommand(QStringLiteral("msair"));
        AppSettings back;
        QVERIFY(!readSettings(fx.settingsPath(), back));
        const QList<int> now{back.fzeqTop, back.fzeqLeft, back.fzeqHeight, back.fzeqWidth};
        QVERIFY2(now == expected, qPrintable(QStringLiteral("cycle %1: %2").arg(cycle).arg(
                                      QString::number(now[0]) + ' ' + QString::number(now[1]) + ' '
                                      + QString::number(now[2]) + ' ' + QString::number(now[3]))));
    }
}

void StartUpAndCloseTest::geometryStore_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("stored");   // previous value 77 when it does not fit
    QTest::newRow("zero is stored") << 0.0 << 0;
    QTest::newRow("upper limit") << 32767.0 << 32767;
    QTest::newRow("above limit keeps old") << 32768.0 << 77;
    QTest::newRow("rounds to above limit") << 32767.5 << 77;
    QTest::newRow("half goes to even") << 2.5 << 2;
    QTest::newRow("negative limit") << -32768.0 << -32768;
    QTest::newRow("below limit keeps old") << -32769.0 << 77;
    QTest::newRow("huge keeps old") << 1e12 << 77;
}

void StartUpAndCloseTest::geometryStore()
{
    QFETCH(double, value);
    QFETCH(int, stored);
    AppSettings s;
    s.fzeqTop = s.fzeqLeft = s.fzeqHeight = s.fzeqWidth = 77;
    storeGeometry(s, {value, value, value, value});
    QCOMPARE(int(s.fzeqTop), stored);
    QCOMPARE(int(s.fzeqLeft), stored);
    QCOMPARE(int(s.fzeqHeight), stored);
    QCOMPARE(int(s.fzeqWidth), stored);
}

void StartUpAndCloseTest::messagePanelFollowsWidth()
{
    QCOMPARE(messagePanelTwips(2680), std::optional<int>());
    QCOMPARE(messagePanelTwips(2681), std::optional<int>(1));

    FrameFixture fx;
    fx.writeSettingsFile(line("Status", "True"));
    auto w = fx.start();
    w->resize(px(9000), w->height());
    QApplication::processEvents();
    // The menu bar may hold the window a little wider than asked: the rule follows the real width.
    const int outer = pixelsToTwips(w->frameGeometry().width(), 96);
    QVERIFY(outer >= 9000 && outer < 9300);
    QCOMPARE(w->mainStatusBar()->messagePanel()->maximumWidth(), px(outer - 2680));
    // The status bar's own margins and spacing come off what the label really gets.
    const int real = w->mainStatusBar()->messagePanel()->width();
    QVERIFY2(real <= px(outer - 2680) && real >= px(outer - 2680) - 30, qPrintable(QString::number(real)));
}

void StartUpAndCloseTest::closeRefusedWhileCancelledButExitAsksAgain()
{
    FrameFixture fx;
    auto w = fx.start();
    auto* query = new RefusingWindow;
    w->workspace()->addSubWindow(query)->show();

    QVERIFY(!w->close());   // the user cancels the query window's save question
    QCOMPARE(query->asked, 1);
    QVERIFY(appFlags().closeCancelled);
    QVERIFY(!w->close());   // title bar: refused silently, the query window is not asked
    QCOMPARE(query->asked, 1);
    QCOMPARE(fx.settingsBytes(), QByteArray());
    QVERIFY(fx.services.messages.isEmpty());

    w->runCommand(QStringLiteral("msair"));
    QCOMPARE(query->asked, 2);
    QVERIFY(w->closeFinished());
    QVERIFY(!fx.settingsBytes().isEmpty());
}

void StartUpAndCloseTest::settingsWrittenOnceAtCloseInExactFormat()
{
    FrameFixture fx;
    fx.writeSettingsFile(line("OptCT", "True") + line("Tool", "True") + line("z", "|")
                         + line("SAT", " 2 ") + line("ssAddTab 001", "Sales")
                         + line("ssAddTab 002", "Sales\\KNA1") + line("FileQvor", "/tmp/a b.qvr"));
    auto w = fx.start();
    w->move(px(1500), px(3000));
    w->resize(px(9000) - (w->frameGeometry().width() - w->width()), px(6000) - (w->frameGeometry().height() - w->height()));
    const QByteArray before = fx.settingsBytes();

    w->runCommand(QStringLiteral("msair"));
    const QByteArray expected =
        line("sSapLogon", "") + line("FolderTable", "") + line("TableFile", "")
        + line("SGlobal", QVOR_VERSION_TEXT) + line("ChOpt", "False") + line("OptEN", "False")
        + line("OptPT", "False") + line("OptCT", "True") + line("Tool", "True") + line("Status", "False")
        + line("z", "|") + line("fzeqTop", " 3000 ") + line("fzeqLeft", " 1500 ")
        + line("fzeqHeight", " 6000 ") + line("fzeqWidth", " 9000 ") + line("SAT", " 2 ")
        + line("ssAddTab 001", "Sales") + line("ssAddTab 002", "Sales\\KNA1") + line("FileQvor", "/tmp/a b.qvr");
    QCOMPARE(fx.settingsBytes(), expected);

    // Written once: a second close request writes nothing.
    QVERIFY(QFile::remove(fx.settingsPath()));
    w->close();
    QVERIFY(!QFile::exists(fx.settingsPath()));
    QVERIFY(before != expected);
}

void StartUpAndCloseTest::tooWideWindowKeepsPreviousWidth()
{
    FrameFixture fx;
    fx.writeSettingsFile(line("fzeqWidth", " 9000 ") + line("fzeqHeight", " 6000 "));
    auto w = fx.start();
    w->resize(px(33000), w->height());
    QVERIFY(w->close());
    AppSettings back;
    QVERIFY(!readSettings(fx.settingsPath(), back));
    QCOMPARE(int(back.fzeqWidth), 9000);
    QCOMPARE(int(back.fzeqHeight), 6000);
}

void StartUpAndCloseTest::readFailureIsShownAndStartGoesOn()
{
    FrameFixture fx;
    fx.writeSettingsFile(line("OptPT", "True") + line("fzeqTop", " 99999 "));
    auto w = fx.start();
    QCOMPARE(fx.services.messages.size(), 1);
    QVERIFY(!fx.services.messages[0].text.isEmpty());
    QVERIFY(w->isVisible());
    QCOMPARE(commands().action(QStringLiteral("mfile"))->text(), QStringLiteral("Arquivo"));
}

// The program folder is not writable: the file there is read, the user's own copy written, and
// a file that cannot be read is named as such.
void StartUpAndCloseTest::administratorsFileReadUsersCopyWritten()
{
    FrameFixture fx;
    QTemporaryDir admin;
    const QString beside = admin.filePath(QStringLiteral("Qvor.ini"));
    const QByteArray adminBytes = line("OptPT", "True") + line("z", "|") + line("SAT", " 1 ") + line("ssAddTab 001", "Sales");
    QFile f(beside);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(adminBytes);
    f.close();
    auto w = StartUp::run(beside, fx.settingsPath());
    QVERIFY(fx.services.messages.isEmpty());
    QCOMPARE(appSettings().listSeparator, QStringLiteral("|"));
    QCOMPARE(commands().action(QStringLiteral("mfile"))->text(), QStringLiteral("Arquivo"));
    w->runCommand(QStringLiteral("msair"));
    QVERIFY(fx.settingsBytes().contains(line("ssAddTab 001", "Sales")));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), adminBytes);
    f.close();
    w.reset();

    // A folder where the file should be cannot be read: the message says so.
    appSettings() = {};
    auto again = StartUp::run(admin.path(), fx.settingsPath());
    QCOMPARE(fx.services.messageTexts(),
             QStringList{QStringLiteral("The settings file %1 cannot be read. Orvane starts with its default settings.")
                             .arg(admin.path())});
}

QTEST_MAIN(StartUpAndCloseTest)
#include "start_up_and_close.moc"
