#pragma once
// The main window: a multiple-document frame with the menus and toolbar of the command table,
// the query windows' workspace and the three-panel status bar. It restores and saves its
// geometry and bars through the settings and writes the settings file once, when it closes.
#include <QMainWindow>
#include <memory>

namespace qvor {

class AboutBox;
class CommandRunner;
class MainMenus;
class MainStatusBar;
class Workspace;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(const QString& settingsPath, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The window's load: bars, geometry, language, panels and texts from the settings; closes
    // the start-up picture at its end.
    void load(AboutBox* startupPicture = nullptr);

    Workspace* workspace() const { return workspace_; }
    MainStatusBar* mainStatusBar() const { return statusBar_; }
    MainMenus& menus() const { return *menus_; }
    CommandRunner& commandRunner() const { return *runner_; }
    QAction* toolbarButton(const QString& key) const;

    // Runs a command as its menu entry does (used by the toolbar, the status bar and tests).
    void runCommand(const QString& entry);

    void toggleToolbar();
    void toggleStatusBar();
    void showOptions();
    void showImportOptions();
    void showAbout();

    bool closeFinished() const { return closeFinished_; }

public Q_SLOTS:
    void ApplyInterfaceTexts();
    // Called by the query windows as they become active and as they unload.
    void queryWindowActivated();
    // The busy text of a refused command, where the user sees it.
    void showBusyNotice(const QString& text);
    void queryWindowUnloaded(int counterBefore);

Q_SIGNALS:
    void interfaceTextsApplied();
    // The close sequence has run; the program ends now.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int toPixels(double twips, bool horizontal) const;
    double toTwips(int pixels, bool horizontal) const;
    void restoreGeometryFromSettings();
    QRect outerFrame() const;
    // Places the frame as saved; true when it already stands there.
    bool placeSavedFrame();
    void settleSavedFrame(int triesLeft);
    void saveGeometryToSettings();
    void followWidth();
    bool askQueryWindowsToClose();
    void finishClose();

    QString settingsPath_;
    Workspace* workspace_;
    MainStatusBar* statusBar_;
    std::unique_ptr<CommandRunner> runner_;
    std::unique_ptr<MainMenus> menus_;
    bool closeFinished_ = false;
    bool framePending_ = false;
};

} // namespace qvor
