// The main window's menus, toolbar and command rules, with a stand-in query window that
// records the operations the commands call by name.
#include "FrameFixture.h"

#include "app/CommandTable.h"
#include "app/MainMenus.h"
#include "app/MainStatusBar.h"
#include "app/OptionsDialog.h"
#include "app/PanelLabel.h"
#include "app/TileLayout.h"
#include "app/Workspace.h"
#include "util/DocumentMenuStates.h"
#include "util/UiTexts.h"

#include <QAction>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>
#include <QToolBar>

using namespace qvor;
using namespace qvor::test;

class RecordingQueryWindow : public QWidget {
    Q_OBJECT
public:
    QStringList calls;
public Q_SLOTS:
    void SaveQTable() { calls << QStringLiteral("SaveQTable"); }
    void UpdatePreview() { calls << QStringLiteral("UpdatePreview"); }
    void CutTable() { calls << QStringLiteral("CutTable"); }
};

namespace {
QAction* entry(const char* name) { return commands().action(QLatin1String(name)); }
}

class CommandsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captionsInBothLanguages_data();
    void captionsInBothLanguages();
    void everyEntryHasItsActionAndStartState();
    void toolbarPositionsAndHints();
    void pasteAndTicksWithoutQueryWindow();
    void toolbarRunsCommandOfUnavailableEntry();
    void commandsRefusedWhileOperationRuns();
    void documentMenuStates();
    void windowListAndTiling();
    void tileRectanglesFillTheArea();
    void connectionPanelDoubleClickConnects();
};

void CommandsTest::captionsInBothLanguages_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("portuguese");
    const auto row = [](const char* n, const char* en, const char* pt) {
        QTest::newRow(n) << QString::fromUtf8(n) << QString::fromUtf8(en) << QString::fromUtf8(pt);
    };
    // One entry of each kind: same in both languages, accented, the menu's own spelling, a top menu.
    row("mr3system", "&R/3 System", "&R/3 System");
    row("mopcoes", "Options...", "Opções...");
    row("msair", "Exit", "Encerrar");
    row("mshowoption", "Show Option", "Mostar Opções");
    row("mauxilio", "Help", "Auxílio");
    row("msobrezeq", "About Qvor", "Sobre Qvor");
}

void CommandsTest::captionsInBothLanguages()
{
    QFETCH(QString, name);
    QFETCH(QString, english);
    QFETCH(QString, portuguese);
    FrameFixture fx;
    auto w = fx.start();
    QAction* a = commands().action(name);
    QVERIFY(a);
    QCOMPARE(a->objectName(), name);
    QCOMPARE(a->text(), english);
    OptionsDialog dialog([&] { w->ApplyInterfaceTexts(); }, w.get());
    dialog.choosePortuguese();
    QCOMPARE(a->text(), portuguese);
    dialog.chooseEnglish();
    QCOMPARE(a->text(), english);
}

void CommandsTest::everyEntryHasItsActionAndStartState()
{
    FrameFixture fx;
    auto w = fx.start();
    const QStringList names = QStringLiteral(
        "mr3system mconectar mdesconectar msapsysinfo msaplogon mopcoes msair mfile mnewqtable mopenqtable "
        "msaveqtable msaveasqtable mabrirtabelas mcloseqtable mtable mntable mnewtable mnewfolder mnewroot mfindtable "
        "mcuttable mpastetable mremovetable mrename msinglesel mfields mcopytomytable mprintfields mviewfields "
        "mviewfieldsdetail mviewfieldslist mfieldsgridlines mmytable mqpreview mprintfieldsmytable mprintpreview "
        "mcloseqpreview mimportmytable mopenmytable mcancel mimportoptions mrows mcloserows mmovedown mmoveup mremovefield "
        "mremoveallfields moptions mshowoption mprintoptions mremoveoption mremovealloptions mver mtoolbar "
        "mstatusbar mjanela mvertical mhorizontal mtabular mauxilio mauxiliogeral msobrezeq mzeq mzeqhp msupport")
        .split(QLatin1Char(' '));
    QCOMPARE(commands().names().size(), names.size());
    const QStringList unavailable{"mpastetable", "msaveqtable", "msaveasqtable", "mcancel"};
    const QStringList ticked{"msinglesel", "mviewfieldsdetail", "mviewfieldslist", "mfieldsgridlines"};
    for (const QString& n : names) {
        QAction* a = commands().action(n);
        QVERIFY2(a, qPrintable(n));
        QCOMPARE(a->isEnabled(), !unavailable.contains(n));
        QVERIFY2(a->isChecked() == ticked.contains(n), qPrintable(n));
    }
    int withPicture = 0;
    for (const QString& n : names) withPicture += commands().action(n)->icon().isNull() ? 0 : 1;
    QCOMPARE(withPicture, 16);
}

void CommandsTest::toolbarPositionsAndHints()
{
    FrameFixture fx;
    auto w = fx.start();
    const QList<QAction*> positions = w->findChild<QToolBar*>()->actions();
    QCOMPARE(positions.size(), 15);
    const QStringList keys{"Conectar", "SapLogon", "Opcoes", "", "NewQTable", "OpenQTable", "Save", "AbrirTabelas",
                           "", "Preview", "ImportMyTable", "OpenMyTable", "", "Auxilio", "Sair"};
    for (int i = 0; i < 15; ++i) {
        QCOMPARE(positions[i]->isSeparator(), keys[i].isEmpty());
        if (!keys[i].isEmpty()) {
            QCOMPARE(positions[i]->objectName(), keys[i]);
            QVERIFY(!positions[i]->icon().isNull());
        }
    }
    QCOMPARE(w->toolbarButton(QStringLiteral("Save"))->toolTip(), QStringLiteral("Save Orvane"));
    QCOMPARE(w->toolbarButton(QStringLiteral("Auxilio"))->toolTip(), QStringLiteral("Help - Contents"));
    OptionsDialog dialog([&] { w->ApplyInterfaceTexts(); }, w.get());
    dialog.choosePortuguese();
    QCOMPARE(w->toolbarButton(QStringLiteral("Save"))->toolTip(), QStringLiteral("Save Orvane"));
    QCOMPARE(w->toolbarButton(QStringLiteral("Conectar"))->toolTip(), QStringLiteral("Conectar R/3 System"));
    QCOMPARE(w->toolbarButton(QStringLiteral("Auxilio"))->toolTip(), QString::fromUtf8("Auxílio Geral"));
}

void CommandsTest::pasteAndTicksWithoutQueryWindow()
{
    FrameFixture fx;
    auto w = fx.start();
    entry("mcuttable")->trigger();
    QVERIFY(commands().isEnabled(QStringLiteral("mpastetable")));
    entry("mremovetable")->trigger();
    QVERIFY(!commands().isEnabled(QStringLiteral("mpastetable")));
    entry("mcuttable")->trigger();
    entry("mnewfolder")->trigger();
    QVERIFY(!commands().isEnabled(QStringLiteral("mpastetable")));

    entry("mviewfieldsdetail")->trigger();
    QVERIFY(entry("mviewfieldsdetail")->isChecked());
    QVERIFY(!entry("mviewfieldslist")->isChecked());
    entry("mviewfieldslist")->trigger();
    QVERIFY(!entry("mviewfieldsdetail")->isChecked());
    QVERIFY(entry("mviewfieldslist")->isChecked());
    entry("mviewfieldslist")->trigger();   // a tick stays where the command puts it
    QVERIFY(entry("mviewfieldslist")->isChecked());

    // Single Click keeps its start tick although the mode is off; the first run removes it.
    QVERIFY(entry("msinglesel")->isChecked() && !appFlags().singleClickMode);
    entry("msinglesel")->trigger();
    QVERIFY(entry("msinglesel")->isChecked() && appFlags().singleClickMode);
    entry("msinglesel")->trigger();
    QVERIFY(!entry("msinglesel")->isChecked() && !appFlags().singleClickMode);

    QToolBar* bar = w->findChild<QToolBar*>();
    entry("mtoolbar")->trigger();
    QVERIFY(!bar->isHidden() && appSettings().Tool && entry("mtoolbar")->isChecked());
    entry("mtoolbar")->trigger();
    QVERIFY(bar->isHidden() && !appSettings().Tool && !entry("mtoolbar")->isChecked());
    QVERIFY(fx.services.messages.isEmpty());
}

void CommandsTest::toolbarRunsCommandOfUnavailableEntry()
{
    FrameFixture fx;
    auto w = fx.start();
    auto* q = new RecordingQueryWindow;
    w->workspace()->addSubWindow(q)->show();
    commands().setEnabled(QStringLiteral("msaveqtable"), false);
    entry("msaveqtable")->trigger();
    QVERIFY(q->calls.isEmpty());
    w->toolbarButton(QStringLiteral("Save"))->trigger();
    QCOMPARE(q->calls, QStringList{"SaveQTable"});
}

void CommandsTest::commandsRefusedWhileOperationRuns()
{
    FrameFixture fx;
    auto w = fx.start();
    auto* q = new RecordingQueryWindow;
    w->workspace()->addSubWindow(q)->show();
    OperationScope busy;
    w->toolbarButton(QStringLiteral("Preview"))->trigger();
    entry("mcuttable")->trigger();
    QVERIFY(q->calls.isEmpty());
    QVERIFY(!commands().isEnabled(QStringLiteral("mpastetable")));
    QCOMPARE(panels().message(), QStringLiteral("Please wait until the current operation has finished"));
    QVERIFY(!w->close());
    entry("mtoolbar")->trigger();   // harmless commands still run
    QVERIFY(appSettings().Tool);
}

void CommandsTest::documentMenuStates()
{
    FrameFixture fx;
    auto w = fx.start();
    panels().setMessage(QStringLiteral("x"));
    documentWindowActivated();
    QVERIFY(commands().isEnabled(QStringLiteral("msaveqtable")) && commands().isEnabled(QStringLiteral("msaveasqtable")));
    documentWindowUnloaded(2);
    QVERIFY(commands().isEnabled(QStringLiteral("msaveqtable")));
    QCOMPARE(panels().message(), QStringLiteral("x"));
    documentWindowUnloaded(1);
    QVERIFY(!commands().isEnabled(QStringLiteral("msaveqtable")) && !commands().isEnabled(QStringLiteral("msaveasqtable")));
    QVERIFY(commands().isEnabled(QStringLiteral("mcloseqtable")));
    QCOMPARE(panels().message(), QString());
}

void CommandsTest::windowListAndTiling()
{
    FrameFixture fx;
    auto w = fx.start();
    Workspace* ws = w->workspace();
    for (const char* title : {"Query 1", "Query 2", "Query 3"}) {
        auto* sub = ws->addSubWindow(new QWidget);
        sub->setWindowTitle(QLatin1String(title));
        sub->show();
    }
    ws->setActiveSubWindow(ws->subWindowList().at(1));
    QVERIFY(commands().isEnabled(QStringLiteral("msaveqtable")));   // a window became active

    QMenu* menu = w->menus().menu(QStringLiteral("mjanela"));
    ws->fillWindowList(menu);
    ws->fillWindowList(menu);   // refilled, not appended
    QStringList listed;
    QString ticked;
    for (QAction* a : menu->actions())
        if (a->isCheckable()) {
            listed << a->text();
            if (a->isChecked()) ticked = a->text();
        }
    QCOMPARE(listed, QStringList({"&1 Query 1", "&2 Query 2", "&3 Query 3"}));
    QCOMPARE(ticked, QStringLiteral("&2 Query 2"));

    entry("mvertical")->trigger();
    const auto subs = ws->subWindowList(QMdiArea::CreationOrder);
    QCOMPARE(subs[0]->geometry().height(), ws->viewport()->height());
    QCOMPARE(subs[1]->geometry().left(), subs[0]->geometry().right() + 1);
    entry("mhorizontal")->trigger();
    QCOMPARE(subs[2]->geometry().width(), ws->viewport()->width());
    QCOMPARE(subs[2]->geometry().bottom(), ws->viewport()->rect().bottom());
}

void CommandsTest::tileRectanglesFillTheArea()
{
    const QRect area(0, 0, 100, 50);
    const auto side = tileRectangles(area, 3, TileDirection::SideBySide);
    QCOMPARE(side, QList<QRect>({QRect(0, 0, 33, 50), QRect(33, 0, 33, 50), QRect(66, 0, 34, 50)}));
    const auto stacked = tileRectangles(area, 2, TileDirection::Stacked);
    QCOMPARE(stacked, QList<QRect>({QRect(0, 0, 100, 25), QRect(0, 25, 100, 25)}));
    QVERIFY(tileRectangles(area, 0, TileDirection::Stacked).isEmpty());
}

void CommandsTest::connectionPanelDoubleClickConnects()
{
    FrameFixture fx;
    auto w = fx.start();
    PanelLabel* clock = w->mainStatusBar()->clockPanel();
    QTest::mouseDClick(clock, Qt::LeftButton);
    QCOMPARE(fx.services.logonPrompts, 0);
    QTest::mouseDClick(w->mainStatusBar()->connectionPanel(), Qt::LeftButton);
    QCOMPARE(fx.services.logonPrompts, 1);   // the cancelled logon prompt of Connect
}

QTEST_MAIN(CommandsTest)
#include "commands.moc"
