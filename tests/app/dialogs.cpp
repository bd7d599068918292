// The options dialog (language applied at once, list separator), the about box and the pictures.
#include "FrameFixture.h"

#include "app/OptionsDialog.h"
#include "app/QtUiServices.h"
#include "tableaccess/OutputFile.h"
#include "util/widgets/AboutBox.h"
#include "util/widgets/HoverLinkLabel.h"
#include "util/widgets/Pictures.h"

#include <QCheckBox>
#include <QComboBox>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

using namespace qvor;
using namespace qvor::test;

namespace {

QByteArray line(const char* key, const QByteArray& value)
{
    return QByteArray(key).leftJustified(13, ' ') + value + "\r\n";
}

QString caption(const char* name) { return commands().action(QLatin1String(name))->text(); }

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void openingFollowsTheFlags_data();
    void openingFollowsTheFlags();
    void thirdChoiceStaysWhenPortugueseIsChosen();
    void englishThenPortugueseInOneVisit();
    void separatorTakenOnlyWithOk();
    void saveDialogAddsTheFilterExtension_data();
    void saveDialogAddsTheFilterExtension();
    void systemInfoStartsFirstToolOnPath();
    void homePageLinkHighlightsUnderPointer();
    void everyPictureIsInTheResources();
};

void DialogsTest::openingFollowsTheFlags_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("englishSelected");
    QTest::addColumn<bool>("portugueseSelected");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("fileMenu");
    QTest::newRow("no flag") << QByteArray() << true << false << "Options" << "File";
    QTest::newRow("English") << line("OptEN", "True") << true << false << "Options" << "File";
    QTest::newRow("Portuguese") << line("OptPT", "True") << false << true << QString::fromUtf8("Opções") << "Arquivo";
    QTest::newRow("third choice only") << line("OptCT", "True") << false << false << "Options" << "File";
    QTest::newRow("both set: Portuguese wins")
        << line("OptEN", "True") + line("OptPT", "True") << false << true << QString::fromUtf8("Opções") << "Arquivo";
}

void DialogsTest::openingFollowsTheFlags()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, englishSelected);
    QFETCH(bool, portugueseSelected);
    QFETCH(QString, title);
    QFETCH(QString, fileMenu);
    FrameFixture fx;
    fx.writeSettingsFile(file);
    auto w = fx.start();
    OptionsDialog dialog([&] { w->ApplyInterfaceTexts(); }, w.get());
    QCOMPARE(dialog.englishButton()->isChecked(), englishSelected);
    QCOMPARE(dialog.portugueseButton()->isChecked(), portugueseSelected);
    QCOMPARE(dialog.windowTitle(), title);
    QCOMPARE(caption("mfile"), fileMenu);
    QCOMPARE(dialog.separatorBox()->text(), QStringLiteral(";"));
}

void DialogsTest::thirdChoiceStaysWhenPortugueseIsChosen()
{
    FrameFixture fx;
    fx.writeSettingsFile(line("OptCT", "True"));
    auto w = fx.start();
    OptionsDialog dialog([&] { w->ApplyInterfaceTexts(); }, w.get());
    QTest::mouseClick(dialog.portugueseButton(), Qt::LeftButton);
    QVERIFY(appSettings().OptCT && appSettings().OptPT && !appSettings().OptEN);
    QVERIFY(dialog.portugueseButton()->isChecked() && !dialog.englishButton()->isChecked());
    QCOMPARE(caption("mconectar"), QStringLiteral("Conectar..."));
    QCOMPARE(dialog.languageFrame()->title(), QStringLiteral("Linguagem"));
}

void DialogsTest::englishThenPortugueseInOneVisit()
{
    FrameFixture fx;
    auto w = fx.start();
    OptionsDialog dialog([&] { w->ApplyInterfaceTexts(); }, w.get());
    QTest::mouseClick(dialog.englishButton(), Qt::LeftButton);
    QTest::mouseClick(dialog.portugueseButton(), Qt::LeftButton);
    QCOMPARE(caption("msair"), QStringLiteral("Encerrar"));
    QCOMPARE(dialog.windowTitle(), QString::fromUtf8("Opções"));
    QTest::mouseClick(dialog.portugueseButton(), Qt::LeftButton);   // clicking the chosen one keeps it
    QVERIFY(dialog.portugueseButton()->isChecked() && !dialog.englishButton()->isChecked());
    QTest::mouseClick(dialog.englishButton(), Qt::LeftButton);
    QCOMPARE(caption("msair"), QStringLiteral("Exit"));
    QCOMPARE(dialog.languageFrame()->title(), QStringLiteral("Language"));
    QVERIFY(appSettings().OptEN && !appSettings().OptPT);
}

void DialogsTest::separatorTakenOnlyWithOk()
{
    FrameFixture fx;
    auto w = fx.start();
    {
        OptionsDialog dialog({}, w.get());
        dialog.separatorBox()->setText(QStringLiteral("\t"));
        dialog.formatBox()->setCurrentIndex(2);
        dialog.joinKeysBox()->setChecked(true);
        dialog.reject();   // the title bar
        QCOMPARE(appSettings().listSeparator, QStringLiteral(";"));
        QCOMPARE(appSettings().ExpFormat, OutputFormat::Sap);
        QVERIFY(!appSettings().JoinKeys);
    }
    {
        OptionsDialog dialog({}, w.get());
        dialog.separatorBox()->setText(QStringLiteral(" | "));
        QCOMPARE(dialog.formatBox()->currentText(), QStringLiteral("As SAP delivers it"));
        dialog.formatBox()->setCurrentIndex(1);
        dialog.descriptionsBox()->setChecked(true);
        dialog.joinKeysBox()->setChecked(true);
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QCOMPARE(appSettings().listSeparator, QStringLiteral(" | "));   // any length, not trimmed
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(appSettings().ExpFormat, OutputFormat::Csv);
        QVERIFY(appSettings().ExpTexts && appSettings().JoinKeys);
    }
    {
        OptionsDialog dialog({}, w.get());
        QCOMPARE(dialog.formatBox()->currentText(), QStringLiteral("CSV for spreadsheets"));
        QVERIFY(dialog.descriptionsBox()->isChecked() && dialog.joinKeysBox()->isChecked());
        dialog.separatorBox()->clear();
        dialog.confirm();
        QCOMPARE(appSettings().listSeparator, QStringLiteral(";"));
    }
}

void DialogsTest::saveDialogAddsTheFilterExtension_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("filterIndex");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("overwriteAsked");
    QTest::newRow("query file, no extension") << int(OutputFile::TextFiles) << 0 << "report" << "report.txt" << false;
    QTest::newRow("all files: the first filter's") << int(OutputFile::TextFiles) << 1 << "report" << "report.txt" << false;
    QTest::newRow("own extension kept") << int(OutputFile::TextFiles) << 0 << "report.qry" << "report.qry" << false;
    QTest::newRow("data file, csv chosen") << int(OutputFile::DataFiles) << 0 << "rows" << "rows.csv" << false;
    QTest::newRow("data file, txt chosen") << int(OutputFile::DataFiles) << 1 << "rows" << "rows.txt" << false;
    QTest::newRow("overwrite asked for the full name") << int(OutputFile::TextFiles) << 0 << "kept" << "kept.txt" << true;
}

// The real dialog, driven as a user would: pick a filter, type a name, press Save.
void DialogsTest::saveDialogAddsTheFilterExtension()
{
    QFETCH(int, kind);
    QFETCH(int, filterIndex);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    QFETCH(bool, overwriteAsked);
    QtUiServices services;
    setUiServices(&services);
    QTemporaryDir dir;
    QFile existing(dir.filePath(QStringLiteral("kept.txt")));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();

    bool asked = false;
    QTimer driver;
    driver.setInterval(10);
    connect(&driver, &QTimer::timeout, this, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            asked = true;
            box->button(QMessageBox::Yes)->click();
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal); dialog && dialog->isVisible()) {
            auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!types || !name) return;
            types->setCurrentIndex(filterIndex);
            name->setText(typed);
            // Pressed from the event loop: an overwrite question then runs outside this slot.
            QTimer::singleShot(0, name, [name] { QTest::keyClick(name, Qt::Key_Return); });
        }
    });
    driver.start();
    const auto chosen = OutputFile::SaveFileDialog(dir.filePath(QStringLiteral("start")), kind);
    driver.stop();
    setUiServices(nullptr);
    QVERIFY(chosen);
    QCOMPARE(QFileInfo(*chosen).fileName(), expected);
    QCOMPARE(asked, overwriteAsked);
}

void DialogsTest::systemInfoStartsFirstToolOnPath()
{
    ScriptedUiServices services;
    QTemporaryDir bin;
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()));
    AboutBox box(QStringLiteral("0.0.1"));
    box.showSystemInfo();
    QCOMPARE(services.messageTexts(), QStringList{"System Information Is Unavailable At This Time"});
    QVERIFY(services.starts.isEmpty());

    for (const char* tool : {"plasma-systemmonitor", "gnome-system-monitor"}) {
        QFile f(bin.filePath(QLatin1String(tool)));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    services.clear();
    box.showSystemInfo();
    QCOMPARE(services.starts.size(), 1);
    QCOMPARE(services.starts[0].program, bin.filePath(QStringLiteral("gnome-system-monitor")));
    QVERIFY(services.messages.isEmpty());

    services.clear();
    services.startSucceeds = false;
    box.showSystemInfo();
    QCOMPARE(services.messageTexts(), QStringList{"System Information Is Unavailable At This Time"});
    qputenv("PATH", oldPath);
}

void DialogsTest::homePageLinkHighlightsUnderPointer()
{
    AboutBox box(QStringLiteral("0.0.1"));
    auto* link = box.findChild<HoverLinkLabel*>(QStringLiteral("homePageLink"));
    QVERIFY(link);
    QCOMPARE(link->toolTip(), QStringLiteral("Zeq Home Page"));
    QCOMPARE(link->address(), box.homePageAddress());
    QVERIFY(!link->highlighted());

    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(link, &enter);
    QVERIFY(link->highlighted());
    QVERIFY(link->styleSheet().contains(QStringLiteral("blue")));
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(link, &leave);
    QVERIFY(!link->highlighted());
    QVERIFY(link->styleSheet().contains(QStringLiteral("black")));

    // A click opens the address; the browser lookup itself belongs to the external programs.
    QObject::disconnect(link, &HoverLinkLabel::activated, nullptr, nullptr);
    QSignalSpy spy(link, &HoverLinkLabel::activated);
    link->resize(100, 20);
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy[0][0].toString(), box.homePageAddress());
}

void DialogsTest::everyPictureIsInTheResources()
{
    const auto drawable = [](const QIcon& icon) { return !icon.pixmap(16, 16).isNull(); };
    for (int i = 1; i <= 12; ++i) QVERIFY2(drawable(toolbarPicture(i)), qPrintable(toolbarPicturePath(i)));
    for (int i = 1; i <= 16; ++i) QVERIFY2(drawable(menuPicture(i)), qPrintable(menuPicturePath(i)));
    for (int i = 3; i <= 11; ++i) QVERIFY2(drawable(typePicture(i)), qPrintable(QString::number(i)));
    for (int i = 0; i <= 4; ++i) QVERIFY(drawable(stripButtonPicture(i)));
    for (auto p : {ConnectionPicture::Disconnected, ConnectionPicture::Connected, ConnectionPicture::Busy})
        QVERIFY(drawable(connectionPicture(p)));
    QVERIFY(drawable(folderPicture(true)) && drawable(folderPicture(false)));
    QVERIFY(drawable(addOptionPicture()) && drawable(programPicture()));
    QVERIFY(toolbarPicture(0).isNull() && menuPicture(17).isNull() && typePicture(2).isNull());
}

QTEST_MAIN(DialogsTest)
#include "dialogs.moc"
