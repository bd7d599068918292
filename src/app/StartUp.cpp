#include "app/StartUp.h"

#include "app/MainWindow.h"
#include "util/AppSettings.h"
#include "util/SettingsFile.h"
#include "util/UiServices.h"
#include "util/UiTexts.h"
#include "util/widgets/AboutBox.h"

namespace qvor {

QString StartUp::versionText() { return QStringLiteral(QVOR_VERSION_TEXT); }

std::unique_ptr<MainWindow> StartUp::run(const QString& readPath, const QString& writePath)
{
    const QString version = versionText();

    // Deleted with the main window; the main window closes it at the end of its load.
    auto window = std::make_unique<MainWindow>(writePath);
    auto* picture = new AboutBox(version, window.get());
    picture->setAttribute(Qt::WA_DeleteOnClose);
    picture->showAsStartupPicture();

    AppSettings& settings = appSettings();
    switch (ensureSettingsFile(readPath)) {
    case SettingsFileState::Ready:
        if (const auto error = readSettings(readPath, settings)) ui().message(error->description);
        break;
    case SettingsFileState::Unreadable: ui().message(tx(TextId::SettingsFileUnreadable).arg(readPath)); break;
    case SettingsFileState::CannotCreate: ui().message(tx(TextId::SettingsFileUnavailable).arg(readPath)); break;
    }
    applySeparatorDefault(settings);
    settings.SGlobal = version;

    window->load(picture);
    window->show();
    return window;
}

} // namespace qvor
