// The program on a real X server under a window manager (run through on-own-display.sh): the
// frame the window manager draws, dialogs that must get the focus to be answered from the
// keyboard, and mouse clicks on the table tree.
#include "app/FrameFixture.h"

#include "app/QtUiServices.h"
#include "app/Workspace.h"
#include "querywindow/FieldListsController.h"
#include "querywindow/QueryWindow.h"
#include "querywindow/TableTreePane.h"
#include "querywindow/WindowRegistry.h"
#include "sap/SapConnection.h"
#include "tableaccess/ExtractionBuffers.h"
#include "util/Twips.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QWindow>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <deque>

using namespace qvor;
using namespace qvor::test;

namespace {

QByteArray line(const char* key, int value)
{
    return QByteArray(key).leftJustified(13, ' ') + ' ' + QByteArray::number(value) + " \r\n";
}

QStringList captions(Workspace* ws)
{
    QStringList out;
    for (QMdiSubWindow* sub : ws->subWindowList(QMdiArea::CreationOrder)) out << sub->windowTitle();
    return out;
}

QueryWindow* active(MainWindow& w) { return qobject_cast<QueryWindow*>(w.workspace()->activeQueryWindow()); }

// Answers the program's message boxes from the keyboard as a user does, each once the window
// manager has made it the active window (a key press reaches nothing else).
class KeyboardUser : public QObject {
public:
    struct Answer {
        int key;
        Qt::KeyboardModifiers modifiers;
    };
    std::deque<Answer> answers;
    QStringList texts;

    KeyboardUser()
    {
        connect(&poll_, &QTimer::timeout, this, &KeyboardUser::answerShownBox);
        poll_.start(10);
    }

private:
    void answerShownBox()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || answers.empty() || !box->isActiveWindow() || box == answered_) return;
        answered_ = box;
        texts << box->text();
        const Answer a = answers.front();
        answers.pop_front();
        QTest::keyClick(box, Qt::Key(a.key), a.modifiers);
    }

    QTimer poll_;
    QPointer<QMessageBox> answered_;
};

} // namespace

class DesktopSessionsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        windowRegistry().clear();
        documentValues() = {};
    }

    void geometryUnchangedOverStarts_data();
    void geometryUnchangedOverStarts();
    void exitAsksEveryWindowThroughRealBoxes();
    void singleClickOpensTablesWithTheMouse();
};

void DesktopSessionsTest::geometryUnchangedOverStarts_data()
{
    QTest::addColumn<QList<int>>("saved");   // top, left, height, width in twips
    QTest::addColumn<bool>("onScreen");
    QTest::newRow("on screen") << QList<int>{1500, 1200, 6000, 9000} << true;
    QTest::newRow("off every screen") << QList<int>{-9000, 30000, 6000, 9000} << false;
}

// Start and exit under a window manager leave the saved frame as it was, three times over; a
// frame saved off every screen comes back onto the screen and stays there.
void DesktopSessionsTest::geometryUnchangedOverStarts()
{
    QFETCH(QList<int>, saved);
    QFETCH(bool, onScreen);
    FrameFixture fx;
    fx.writeSettingsFile(line("fzeqTop", saved[0]) + line("fzeqLeft", saved[1]) + line("fzeqHeight", saved[2])
                         + line("fzeqWidth", saved[3]));
    QList<int> expected = onScreen ? saved : QList<int>();
    for (int cycle = 1; cycle <= 3; ++cycle) {
        appSettings() = {};
        auto w = fx.start();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        // Framed by the window manager, at the saved place (the frame as the window system has it:
        // the widget's may be older).
        QWindow* window = w->windowHandle();
        QTRY_VERIFY(window->frameMargins().top() > 0);
        const QRect screen = w->screen()->availableGeometry();
        if (expected.isEmpty()) {
            QTRY_VERIFY(screen.contains(window->frameGeometry()));
        } else {
            const QRect frame(twipsToPixels(expected[1], w->logicalDpiX()), twipsToPixels(expected[0], w->logicalDpiY()),
                              twipsToPixels(expected[3], w->logicalDpiX()), twipsToPixels(expected[2], w->logicalDpiY()));
            QTRY_COMPARE(window->frameGeometry(), frame);
        }
        w->runCommand(QStringLiteral("msair"));
        QVERIFY(w->closeFinished());
        AppSettings back;
        QVERIFY(!readSettings(fx.settingsPath(), back));
        const QList<int> now{back.fzeqTop, back.fzeqLeft, back.fzeqHeight, back.fzeqWidth};
        if (expected.isEmpty()) expected = now;
        QCOMPARE(now, expected);
    }
}

// Exit with two changed windows asks both in real message boxes before either closes: No for
// the first and Escape for the second leaves both open; No and No then ends the program.
void DesktopSessionsTest::exitAsksEveryWindowThroughRealBoxes()
{
    FrameFixture fx;
    auto w = fx.start();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    myTableBuffer().fields = {{"KNA1-KUNNR", "Customer", "C", 10}};
    for (int i = 0; i < 2; ++i) {
        w->runCommand(QStringLiteral("mnewqtable"));
        active(*w)->PasteListItem();
    }
    QtUiServices real;
    setUiServices(&real);
    const KeyboardUser::Answer no{Qt::Key_N, Qt::AltModifier};
    const KeyboardUser::Answer cancel{Qt::Key_Escape, Qt::NoModifier};
    const QString question = QStringLiteral("Do you want to save changes to '%1'?");
    {
        KeyboardUser user;
        user.answers = {no, cancel};
        QVERIFY(!w->close());
        QCOMPARE(user.texts, QStringList({question.arg("Orvane1"), question.arg("Orvane2")}));
        QCOMPARE(captions(w->workspace()), QStringList({"Orvane1", "Orvane2"}));
    }
    {
        KeyboardUser user;
        user.answers = {no, no};
        w->runCommand(QStringLiteral("msair"));
        QCOMPARE(user.texts.size(), 2);
        QVERIFY(w->closeFinished());
    }
    setUiServices(&fx.services);
}

// With Single Click on, one click opens a closed table and the next closes it.
void DesktopSessionsTest::singleClickOpensTablesWithTheMouse()
{
    FrameFixture fx;
    appSettings().ssAddTab = {QStringLiteral("Finance"), QStringLiteral("Finance\\T001"), QStringLiteral("KNA1")};
    appSettings().SAT = 3;
    auto w = fx.start();
    fx.services.logonAnswers.push_back(LogonEntry{"DEMO", "001", "DEMO", "demo", "EN"});
    sapConnection().Connect();
    QVERIFY(sapConnection().connected());
    w->runCommand(QStringLiteral("mnewqtable"));
    QueryWindow* q = active(*w);
    QVERIFY(q && QTest::qWaitForWindowActive(w.get()));
    w->runCommand(QStringLiteral("msinglesel"));
    TableTreePane* tree = q->tree();
    const auto click = [tree](const QString& key) {
        QTreeWidgetItem* item = tree->itemOfKey(key);
        QVERIFY(item);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
    };
    const auto picture = [tree](const QString& key) { return tree->logic().node(tree->logic().findKey(key))->picture; };

    click(QStringLiteral("KNA1"));
    QCOMPARE(picture(QStringLiteral("KNA1")), 2);
    const int kna1Fields = q->lists().fields().rowCount();
    QVERIFY(kna1Fields > 0);
    click(QStringLiteral("Finance"));
    QTRY_VERIFY(tree->itemOfKey(QStringLiteral("Finance"))->isExpanded());
    click(QStringLiteral("T001"));
    QCOMPARE(picture(QStringLiteral("T001")), 2);
    QVERIFY(q->lists().fields().rowCount() > kna1Fields);
    click(QStringLiteral("KNA1"));
    QCOMPARE(picture(QStringLiteral("KNA1")), 1);
    sapConnection().Disconnect();
    for (QMdiSubWindow* sub : w->workspace()->subWindowList()) sub->close();
}

QTEST_MAIN(DesktopSessionsTest)
#include "desktop_sessions.moc"
