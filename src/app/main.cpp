#include "app/MainWindow.h"
#include "app/QtUiServices.h"
#include "app/StartUp.h"
#include "util/SettingsFile.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Qvor"));
    QApplication::setOrganizationName(QStringLiteral("Orvane"));
    QApplication::setDesktopFileName(QStringLiteral("qvor"));

    qvor::QtUiServices services;
    qvor::setUiServices(&services);

    const qvor::SettingsFiles settings = qvor::settingsFiles();
    auto window = qvor::StartUp::run(settings.read, settings.write);
    // The close sequence has written everything: the program ends at once.
    QObject::connect(window.get(), &qvor::MainWindow::closed, &app, [] { QCoreApplication::exit(0); },
                     Qt::QueuedConnection);
    // For start-up timing: end as soon as the main window is on screen.
    if (qEnvironmentVariable("QVOR_EXIT_WHEN_SHOWN") == QLatin1String("1"))
        QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });   // no close sequence
    const int result = app.exec();
    qvor::setUiServices(nullptr);
    return result;
}
