// Takes the pictures of the user manual: starts the real main window on the embedded demo system,
// logs on through the real logon dialog, builds a small KNA1 query in a query window, previews it,
// and saves PNGs of the main window, the logon dialog, the options dialog and the about box.
//   qvor-screenshots OUTPUT_FOLDER
// Run it under a display of fixed size (scripts/screenshots uses xvfb-run), so that the pictures
// come out the same on every machine.
#include "app/LogonDialog.h"
#include "app/MainWindow.h"
#include "app/OptionsDialog.h"
#include "app/StartUp.h"
#include "app/Workspace.h"
#include "querywindow/FieldListsController.h"
#include "querywindow/OptionsEditor.h"
#include "querywindow/PreviewAndImport.h"
#include "querywindow/PreviewPane.h"
#include "querywindow/PreviewTableModel.h"
#include "querywindow/QueryWindow.h"
#include "querywindow/RowsStrip.h"
#include "querywindow/TableTreePane.h"
#include "sap/SapConnection.h"
#include "util/AppSettings.h"
#include "util/SettingsFile.h"
#include "util/UiServices.h"
#include "util/widgets/AboutBox.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeView>

#include <cstdio>

using namespace qvor;

namespace {

QString outputFolder;
int failures = 0;

void fail(const QString& what)
{
    std::fprintf(stderr, "qvor-screenshots: %s\n", qPrintable(what));
    ++failures;
}

// Lets layouts, paints and queued deliveries settle before a picture is taken.
void settle(int ms = 150)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

// Saves the widget as drawn by Qt (no window frame: the pictures look the same under any desktop).
void save(QWidget* widget, const QString& name)
{
    settle();
    // Interface pictures hold few colours: a palette keeps the files small for the manual.
    const QImage image = widget->grab().toImage().convertToFormat(QImage::Format_Indexed8,
                                                                  Qt::ThresholdDither | Qt::AvoidDither);
    const QString path = QDir(outputFolder).absoluteFilePath(name);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG", 9) || !file.commit()) {
        fail(QStringLiteral("cannot write %1").arg(path));
        return;
    }
    std::printf("%s  %dx%d  %lld bytes\n", qPrintable(path), image.width(), image.height(),
                static_cast<long long>(QFileInfo(path).size()));
}

// The user of the pictures: fills the real logon dialog for the demo system, photographs it and
// confirms it; every message is printed and answered like a user who closes it.
class ScreenshotUi final : public UiServices {
public:
    MsgResult message(const QString& text, MsgButtons, MsgIcon, const QString&) override
    {
        fail(QStringLiteral("unexpected message: %1").arg(text));
        return MsgResult::No;
    }
    std::optional<QString> openFileDialog(const QString&, const QString&, const QString&) override { return {}; }
    std::optional<QString> saveFileDialog(const QString&, const QString&, const QString&, bool) override { return {}; }
    bool logonPrompt(const LogonAttempt& tryLogon) override
    {
        LogonDialog dialog(tryLogon, QApplication::activeWindow());
        dialog.show();
        if (auto* password = dialog.findChild<QLineEdit*>(QStringLiteral("password"))) password->setText(QStringLiteral("demo"));
        else fail(QStringLiteral("the logon dialog has no password box"));
        save(&dialog, QStringLiteral("logon-dialog.png"));
        dialog.accept();
        return dialog.result() == QDialog::Accepted;
    }
    bool startProgram(const QString&, const QStringList&) override { return true; }
    void beginWait() override {}
    void endWait() override {}
};

// Selects the field-list rows whose first column ends with one of the names, in list order.
void selectFields(QTreeView* view, const QStringList& names)
{
    QAbstractItemModel* model = view->model();
    view->selectionModel()->clearSelection();
    for (int r = 0; r < model->rowCount(); ++r) {
        const QString field = model->index(r, 0).data().toString();
        for (const QString& n : names)
            if (field == n || field.endsWith(QLatin1Char('-') + n))
                view->selectionModel()->select(model->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

void addOption(QueryWindow& q, const QString& field, const QString& op, const QString& value, const QString& conjunction)
{
    OptionsEditor& o = q.options();
    q.ShowOption();
    o.fieldChooser()->setCurrentIndex(o.fieldChooser()->findText(field));
    o.operatorBox()->setCurrentIndex(o.operatorBox()->findText(op));
    o.contentsBox()->setText(value);
    o.conjunctionBox()->setCurrentIndex(o.conjunctionBox()->findText(conjunction));
    q.AddOption();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QVOR_DEMO_DATABASE")) qputenv("QVOR_DEMO_DATABASE", ":memory:");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: qvor-screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    outputFolder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(outputFolder)) {
        std::fprintf(stderr, "qvor-screenshots: cannot create %s\n", argv[1]);
        return 1;
    }

    // A settings folder of its own, so the pictures never depend on the user's settings.
    QTemporaryDir settings;
    setSettingsFolderForTests(settings.path());
    ScreenshotUi ui;
    setUiServices(&ui);
    std::unique_ptr<MainWindow> main = StartUp::run(settingsFilePath());
    // A first start hides both bars; the pictures show them.
    if (!appSettings().Tool) main->toggleToolbar();
    if (!appSettings().Status) main->toggleStatusBar();
    main->resize(1240, 860);
    main->move(0, 0);
    main->show();

    appSettings().ssAddTab = {QStringLiteral("Sales"),      QStringLiteral("Sales\\KNA1"),  QStringLiteral("Sales\\VBAK"),
                              QStringLiteral("Sales\\VBAP"), QStringLiteral("Finance"),     QStringLiteral("Finance\\BKPF"),
                              QStringLiteral("Finance\\BSEG"), QStringLiteral("Flights"), QStringLiteral("Flights\\SFLIGHT")};
    appSettings().SAT = static_cast<int16_t>(appSettings().ssAddTab.size());

    main->runCommand(QStringLiteral("mconectar"));
    if (!sapConnection().connected()) {
        fail(QStringLiteral("no logon to the demo system"));
        return 1;
    }

    main->runCommand(QStringLiteral("mnewqtable"));
    auto* q = qobject_cast<QueryWindow*>(main->workspace()->activeQueryWindow());
    if (!q) {
        fail(QStringLiteral("no query window"));
        return 1;
    }
    if (QMdiSubWindow* sub = main->workspace()->activeSubWindow()) sub->showMaximized();
    settle();

    QTreeWidgetItem* kna1 = q->tree()->itemOfKey(QStringLiteral("KNA1"));
    if (!kna1) {
        fail(QStringLiteral("KNA1 is not in the table tree"));
        return 1;
    }
    q->tree()->setCurrentItem(kna1);
    kna1->setSelected(true);
    q->tree()->OpenOrClose();
    settle();

    selectFields(q->lists().fieldDetailView(),
                 {QStringLiteral("KUNNR"), QStringLiteral("LAND1"), QStringLiteral("NAME1"), QStringLiteral("ORT01"),
                  QStringLiteral("PSTLZ"), QStringLiteral("STRAS")});
    q->CopyListItem();
    addOption(*q, QStringLiteral("KNA1-LAND1"), QStringLiteral("EQ"), QStringLiteral("'DE'"), QStringLiteral("OR"));
    addOption(*q, QStringLiteral("KNA1-LAND1"), QStringLiteral("EQ"), QStringLiteral("'BR'"), QString());
    main->runCommand(QStringLiteral("mrows"));
    q->rowsStrip().rowLimitBox()->setText(QStringLiteral("50"));

    main->runCommand(QStringLiteral("mqpreview"));
    QElapsedTimer waited;
    waited.start();
    while (q->rowsFromSap().running() && waited.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    if (q->preview()->previewModel().rowCount() == 0) fail(QStringLiteral("the preview shows no rows"));
    // The field list shows its selection, as after the user's copy.
    q->lists().fieldDetailView()->setFocus();
    save(main.get(), QStringLiteral("main-window.png"));

    {
        OptionsDialog options([&main] { main->ApplyInterfaceTexts(); }, main.get());
        options.show();
        save(&options, QStringLiteral("options-dialog.png"));
        options.reject();
    }
    {
        AboutBox about(StartUp::versionText(), main.get());
        about.show();
        save(&about, QStringLiteral("about-box.png"));
        about.reject();
    }

    sapConnection().Disconnect();
    main.reset();   // no close sequence: nothing of the pictures' session is kept
    setUiServices(nullptr);
    setSettingsFolderForTests({});
    return failures == 0 ? 0 : 1;
}
