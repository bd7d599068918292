#include "app/CommandRunner.h"

#include "app/CommandTable.h"
#include "app/MainWindow.h"
#include "app/Workspace.h"
#include "sap/SapConnection.h"
#include "util/AppFlags.h"
#include "util/CommandRegistry.h"
#include "util/ExternalPrograms.h"
#include "util/OperationGuard.h"
#include "util/StatusPanels.h"
#include "util/UiTexts.h"

#include <QMdiSubWindow>
#include <QMetaObject>

namespace qvor {

namespace {
const QString Paste = QStringLiteral("mpastetable");
}

void CommandRunner::run(const QString& entry)
{
    const MenuEntryDef* def = findMenuEntry(entry);
    if (!def) return;
    if (!def->allowedWhileBusy && operationGuard().refuseIfBusy()) return;
    if (runFrameCommand(entry)) return;
    if (runWindowCommand(entry)) return;
    if (def->windowOperation) invoke(def->windowOperation);
}

bool CommandRunner::invoke(const char* operation, QGenericArgument a1, QGenericArgument a2)
{
    QWidget* target = window_.workspace()->activeQueryWindow();
    if (!target) return false;
    return QMetaObject::invokeMethod(target, operation, Qt::DirectConnection, a1, a2);
}

bool CommandRunner::invokeReturning(const char* operation, QGenericReturnArgument result)
{
    QWidget* target = window_.workspace()->activeQueryWindow();
    if (!target) return false;
    return QMetaObject::invokeMethod(target, operation, Qt::DirectConnection, result);
}

bool CommandRunner::runFrameCommand(const QString& entry)
{
    Workspace* ws = window_.workspace();
    if (entry == QLatin1String("mconectar")) sapConnection().Connect();
    else if (entry == QLatin1String("mdesconectar")) sapConnection().Disconnect();
    else if (entry == QLatin1String("msapsysinfo")) sapConnection().SAPSystemInformation();
    else if (entry == QLatin1String("msaplogon")) { if (hooks_.sapLogon) hooks_.sapLogon(); }
    else if (entry == QLatin1String("mopcoes")) window_.showOptions();
    else if (entry == QLatin1String("msair")) {
        appFlags().closeCancelled = false;
        window_.close();
    }
    else if (entry == QLatin1String("mnewqtable")) { if (hooks_.newQTable) hooks_.newQTable(); }
    else if (entry == QLatin1String("mopenqtable")) openQTable();
    else if (entry == QLatin1String("mabrirtabelas")) { if (hooks_.openTableInExcel) hooks_.openTableInExcel(); }
    else if (entry == QLatin1String("mopenmytable")) { if (hooks_.openMyTable) hooks_.openMyTable(); }
    else if (entry == QLatin1String("mcancel")) operationGuard().cancel();
    else if (entry == QLatin1String("mimportoptions")) window_.showImportOptions();
    else if (entry == QLatin1String("mcloseqtable")) {
        QMdiSubWindow* sub = ws->activeSubWindow() ? ws->activeSubWindow() : ws->currentSubWindow();
        if (sub) sub->close();
    }
    else if (entry == QLatin1String("mtoolbar")) window_.toggleToolbar();
    else if (entry == QLatin1String("mstatusbar")) window_.toggleStatusBar();
    else if (entry == QLatin1String("mvertical")) ws->tileSideBySide();
    else if (entry == QLatin1String("mhorizontal")) ws->tileStacked();
    else if (entry == QLatin1String("mtabular")) ws->cascade();
    else if (entry == QLatin1String("mauxiliogeral")) ShowHelp();
    else if (entry == QLatin1String("msobrezeq")) window_.showAbout();
    else if (entry == QLatin1String("mzeqhp")) OpenInBrowser(homePageAddress());
    else if (entry == QLatin1String("msupport")) OpenInBrowser(supportAddress());
    else return false;
    return true;
}

bool CommandRunner::runWindowCommand(const QString& entry)
{
    if (entry == QLatin1String("mnewtable") || entry == QLatin1String("mnewfolder")
        || entry == QLatin1String("mnewroot")) {
        commands().setEnabled(Paste, false);
        const QString kind = entry == QLatin1String("mnewtable") ? QStringLiteral("Table")
                           : entry == QLatin1String("mnewfolder") ? QStringLiteral("Folder")
                                                                  : QStringLiteral("Root");
        invoke("NewFolder", Q_ARG(QString, kind));
    } else if (entry == QLatin1String("mcuttable")) {
        commands().setEnabled(Paste, true);
        invoke("CutTable");
    } else if (entry == QLatin1String("mpastetable")) {
        commands().setEnabled(Paste, false);
        invoke("PasteTable");
    } else if (entry == QLatin1String("mremovetable")) {
        commands().setEnabled(Paste, false);
        removeSelectedTable();
    } else if (entry == QLatin1String("mrename")) {
        commands().setEnabled(Paste, false);
        invoke("RenameFolder");
    } else if (entry == QLatin1String("msinglesel")) {
        toggleSingleClick();
    } else if (entry == QLatin1String("mviewfieldsdetail") || entry == QLatin1String("mviewfieldslist")) {
        const bool detail = entry == QLatin1String("mviewfieldsdetail");
        commands().setChecked(QStringLiteral("mviewfieldsdetail"), detail);
        commands().setChecked(QStringLiteral("mviewfieldslist"), !detail);
        invoke("setFieldsDetailView", Q_ARG(bool, detail));
    } else if (entry == QLatin1String("mfieldsgridlines")) {
        toggleGridlines();
    } else {
        return false;
    }
    return true;
}

void CommandRunner::removeSelectedTable()
{
    QString key;
    if (!invokeReturning("selectedNodeKey", Q_RETURN_ARG(QString, key))) return;
    invoke("RemoveTable", Q_ARG(QString, key), Q_ARG(QString, QStringLiteral("user")));
}

void CommandRunner::toggleSingleClick()
{
    const bool on = !appFlags().singleClickMode;
    appFlags().singleClickMode = on;
    commands().setChecked(QStringLiteral("msinglesel"), on);
    invoke("setSingleClickMode", Q_ARG(bool, on));
}

void CommandRunner::toggleGridlines()
{
    bool has = false;
    if (!invokeReturning("fieldsGridlines", Q_RETURN_ARG(bool, has))) return;
    commands().setChecked(QStringLiteral("mfieldsgridlines"), !has);
    invoke("setFieldsGridlines", Q_ARG(bool, !has));
}

void CommandRunner::openQTable()
{
    if (!hooks_.openQTable) return;
    const int opened = hooks_.openQTable();
    // The new window's tree starts with the single-click state switched off, like the flag.
    if (opened == 1 && !appFlags().singleClickMode) {
        appFlags().singleClickMode = true;
        run(QStringLiteral("msinglesel"));
    }
}

} // namespace qvor
