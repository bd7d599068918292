#include "app/MainWindow.h"

#include "app/CommandRunner.h"
#include "app/FileCommands.h"
#include "app/MainMenus.h"
#include "app/MainStatusBar.h"
#include "app/ImportOptionsDialog.h"
#include "app/OptionsDialog.h"
#include "app/PanelLabel.h"
#include "app/QueryWindowHost.h"
#include "app/WindowGeometry.h"
#include "app/Workspace.h"
#include "querywindow/QueryWindow.h"
#include "sap/SapConnection.h"
#include "util/AppFlags.h"
#include "util/AppSettings.h"
#include "util/CommandRegistry.h"
#include "util/DocumentMenuStates.h"
#include "util/ExternalPrograms.h"
#include "util/Greeting.h"
#include "util/OperationGuard.h"
#include "util/SettingsFile.h"
#include "util/StatusPanels.h"
#include "util/Twips.h"
#include "util/UiServices.h"
#include "util/UiTexts.h"
#include "util/widgets/AboutBox.h"
#include "util/widgets/Pictures.h"
#include "util/widgets/ProgressStrip.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <utility>

namespace qvor {

MainWindow::MainWindow(const QString& settingsPath, QWidget* parent)
    : QMainWindow(parent), settingsPath_(settingsPath), workspace_(new Workspace(this)),
      statusBar_(new MainStatusBar(this)), runner_(std::make_unique<CommandRunner>(*this))
{
    setObjectName(QStringLiteral("fzeq"));
    setWindowIcon(programPicture());
    setCentralWidget(workspace_);
    setStatusBar(statusBar_);
    menus_ = std::make_unique<MainMenus>(this, [this](const QString& entry) { runCommand(entry); });
    // The progress strip sits at the toolbar's right end; its 30 ms timer is this window's.
    auto* progress = new ProgressStrip(menus_->toolbar(), new QTimer(this));
    progress->setConnectedTest([] { return sapConnection().connected(); });
    connect(progress, &ProgressStrip::workspaceBackgroundChanged, workspace_,
            [this](QPalette::ColorRole role) { workspace_->setBackground(workspace_->palette().brush(role)); });
    connect(progress, &ProgressStrip::cancelRequested, this, [this] { runCommand(QStringLiteral("mcancel")); });
    if (QAction* cancel = commands().action(QStringLiteral("mcancel"))) {
        // Escape in any query window; only while something runs, so that otherwise Escape still
        // ends an edit in a list or the tree.
        cancel->setShortcut(QKeySequence(Qt::Key_Escape));
        cancel->setShortcutContext(Qt::WindowShortcut);
    }
    connect(&operationGuard(), &OperationGuard::busyChanged, this, [progress](bool busy) {
        commands().setEnabled(QStringLiteral("mcancel"), operationGuard().cancellable());
        if (!busy) progress->setCancelShown(false);
        // A quick call would only flash the button.
        else QTimer::singleShot(250, progress, [progress] { progress->setCancelShown(operationGuard().cancellable()); });
    });
    connect(&operationGuard(), &OperationGuard::refused, this, &MainWindow::showBusyNotice);
    FileCommands::install(*this);
    new QueryWindowHost(*this);

    resize(toPixels(DesignInnerWidthTwips, true), toPixels(DesignInnerHeightTwips, false));

    connect(statusBar_, &MainStatusBar::connectionPanelDoubleClicked, this, [this] {
        if (!sapConnection().connected()) runCommand(QStringLiteral("mconectar"));
    });
    QMenu* r3 = menus_->menu(QStringLiteral("mr3system"));
    connect(statusBar_, &MainStatusBar::rightButtonReleased, r3, [r3](const QPoint& at) { r3->popup(at); });
    connect(workspace_, &Workspace::rightButtonReleased, r3, [r3](const QPoint& at) { r3->popup(at); });
    QMenu* windowMenu = menus_->menu(QStringLiteral("mjanela"));
    connect(windowMenu, &QMenu::aboutToShow, this, [this, windowMenu] { workspace_->fillWindowList(windowMenu); });
    connect(workspace_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
        if (w) queryWindowActivated();
    });
}

MainWindow::~MainWindow() = default;

QAction* MainWindow::toolbarButton(const QString& key) const { return menus_->toolbarButton(key); }

int MainWindow::toPixels(double twips, bool horizontal) const
{
    return twipsToPixels(roundHalfEven(twips), horizontal ? logicalDpiX() : logicalDpiY());
}

double MainWindow::toTwips(int pixels, bool horizontal) const
{
    return pixelsToTwips(pixels, horizontal ? logicalDpiX() : logicalDpiY());
}

void MainWindow::load(AboutBox* startupPicture)
{
    AppSettings& s = appSettings();
    restoreGeometryFromSettings();

    // A hidden bar is set up by running its View command from the shown state.
    if (!s.Tool) {
        s.Tool = true;
        toggleToolbar();
    }
    if (!s.Status) {
        s.Status = true;
        toggleStatusBar();
    }
    if (!s.OptEN && !s.OptPT && !s.OptCT) s.OptEN = true;

    setWindowTitle(textEn(TextId::MainCaption));
    panels().setConnection(ConnectionPicture::Disconnected, textEn(TextId::MainDisconnectedPanel),
                           UserName() + textEn(TextId::MainNotConnectedTip));
    statusBar_->setClockToolTipToday();
    commands().setEnabled(QStringLiteral("mpastetable"), false);
    commands().setEnabled(QStringLiteral("msaveqtable"), false);
    commands().setEnabled(QStringLiteral("msaveasqtable"), false);
    if (auto* progress = findChild<ProgressStrip*>()) progress->ProgressReset();

    ApplyInterfaceTexts();
    panels().setMessage(welcomeText(QTime::currentTime(), UserName()));
    followWidth();
    if (startupPicture) startupPicture->close();
}

void MainWindow::restoreGeometryFromSettings()
{
    // The saved values are the outer frame, whose margins the window system gives only once it
    // has framed the shown window: placed now with the margins known so far, and again then.
    placeSavedFrame();
    framePending_ = true;
}

QRect MainWindow::outerFrame() const
{
    // The widget keeps the frame it saw at its last move or resize, which may be from before the
    // window manager framed it; the window system's own is current.
    return windowHandle() ? windowHandle()->frameGeometry() : frameGeometry();
}

bool MainWindow::placeSavedFrame()
{
    const AppSettings& s = appSettings();
    const QRect frame = outerFrame();
    const QRect inner = geometry();
    // Until the window manager has sized its frame the window system may report one that does
    // not even hold the window (1 x 1): nothing can be placed by it yet.
    if (!frame.contains(inner)) return false;
    const QMargins margins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                           frame.bottom() - inner.bottom());
    // A value of 0 is never applied: that side keeps the design size or the window system's place.
    QRect target = frame;
    if (s.fzeqLeft != 0) target.moveLeft(toPixels(s.fzeqLeft, true));
    if (s.fzeqTop != 0) target.moveTop(toPixels(s.fzeqTop, false));
    if (s.fzeqWidth != 0) target.setWidth(toPixels(s.fzeqWidth, true));
    if (s.fzeqHeight != 0) target.setHeight(toPixels(s.fzeqHeight, false));
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) screens << screen->availableGeometry();
    target = keepOnScreen(target, margins.top(), screens);
    if (target == frame) return true;
    const QSize innerSize = target.size().shrunkBy(margins);
    if (innerSize != size()) resize(innerSize);
    if (target.topLeft() != frame.topLeft()) move(target.topLeft());
    return false;
}

void MainWindow::settleSavedFrame(int triesLeft)
{
    // A window manager frames a new window in several steps and may place it by its own rules
    // meanwhile: the frame is placed again until it stands where it was saved (for a second at most).
    if (placeSavedFrame() || triesLeft <= 0) return;
    QTimer::singleShot(25, this, [this, triesLeft] { settleSavedFrame(triesLeft - 1); });
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (framePending_ && windowHandle()) windowHandle()->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed()) {
        // Framed and on screen: the frame's margins are known now.
        windowHandle()->removeEventFilter(this);
        if (std::exchange(framePending_, false)) settleSavedFrame(40);
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::saveGeometryToSettings()
{
    const QRect frame = outerFrame();
    storeGeometry(appSettings(), {toTwips(frame.top(), false), toTwips(frame.left(), true),
                                  toTwips(frame.height(), false), toTwips(frame.width(), true)});
}

void MainWindow::followWidth()
{
    if (const auto width = messagePanelTwips(roundHalfEven(toTwips(outerFrame().width(), true))))
        statusBar_->setMessagePanelWidth(toPixels(*width, true));
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    followWidth();
}

void MainWindow::runCommand(const QString& entry) { runner_->run(entry); }

void MainWindow::toggleToolbar()
{
    AppSettings& s = appSettings();
    s.Tool = !s.Tool;
    menus_->toolbar()->setVisible(s.Tool);
    commands().setChecked(QStringLiteral("mtoolbar"), s.Tool);
}

void MainWindow::toggleStatusBar()
{
    AppSettings& s = appSettings();
    s.Status = !s.Status;
    statusBar_->setVisible(s.Status);
    commands().setChecked(QStringLiteral("mstatusbar"), s.Status);
}

void MainWindow::showOptions()
{
    OptionsDialog dialog([this] { ApplyInterfaceTexts(); }, this);
    dialog.exec();
}

void MainWindow::showImportOptions()
{
    ImportOptionsDialog dialog(this);
    dialog.exec();
}

void MainWindow::showAbout()
{
    AboutBox about(QStringLiteral(QVOR_VERSION_TEXT), this);
    about.exec();
}

void MainWindow::ApplyInterfaceTexts()
{
    const AppSettings& s = appSettings();
    if (!s.englishTest() && !s.portugueseTest()) return;
    statusBar_->messagePanel()->setToolTip(tx(TextId::SystemMessageHint));
    menus_->applyTexts();
    if (auto* progress = findChild<ProgressStrip*>()) progress->applyTexts();
    Q_EMIT interfaceTextsApplied();
}

void MainWindow::showBusyNotice(const QString& text)
{
    // The message panel has the text already, but the running operation overwrites it at once,
    // and the status bar may be hidden: a tool tip shows it where the user looks.
    auto* progress = findChild<ProgressStrip*>();
    QWidget* anchor = nullptr;
    if (progress && !menus_->toolbar()->isHidden() && !progress->cancelButton()->isHidden()) anchor = progress->cancelButton();
    else if (!statusBar_->isHidden()) anchor = statusBar_->messagePanel();
    if (!anchor) {
        // Neither bar is shown: nothing else on screen would tell.
        ui().message(text, MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    QToolTip::showText(anchor->mapToGlobal(QPoint(0, anchor->height())), text, anchor);
}

void MainWindow::queryWindowActivated() { documentWindowActivated(); }

void MainWindow::queryWindowUnloaded(int counterBefore) { documentWindowUnloaded(counterBefore); }

bool MainWindow::askQueryWindowsToClose()
{
    // Every window is asked before any unloads, so a Cancel for the last keeps them all.
    const QList<QMdiSubWindow*> windows = workspace_->subWindowList(QMdiArea::CreationOrder);
    for (QMdiSubWindow* sub : windows) {
        auto* query = qobject_cast<QueryWindow*>(sub->widget());
        if (query && !query->askToClose()) return false;
    }
    for (QMdiSubWindow* sub : windows) {
        auto* query = qobject_cast<QueryWindow*>(sub->widget());
        if (!(query ? query->closeAsked() : sub->close())) return false;
        if (appFlags().closeCancelled) return false;
    }
    return true;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (closeFinished_) {
        event->accept();
        return;
    }
    if (operationGuard().refuseIfBusy()) {
        event->ignore();
        return;
    }
    if (appFlags().closeCancelled || !askQueryWindowsToClose()) {
        event->ignore();
        return;
    }
    finishClose();
    event->accept();
    Q_EMIT closed();
}

void MainWindow::finishClose()
{
    // Failures here are not reported: each step runs whatever the one before did.
    saveGeometryToSettings();
    if (auto* progress = findChild<ProgressStrip*>()) progress->ProgressEnd();
    sapConnection().closeTimeLogoff();
    writeSettings(settingsPath_, appSettings());
    closeFinished_ = true;
}

} // namespace qvor
