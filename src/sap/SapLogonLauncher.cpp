#include "sap/SapLogonLauncher.h"

#include "util/AppSettings.h"
#include "util/ExternalPrograms.h"
#include "util/LanguageMessage.h"
#include "util/UiServices.h"
#include "util/UiTexts.h"

#include <QDir>
#include <QFileInfo>

namespace qvor {

SapLogonLauncher::SapLogonLauncher()
#ifdef Q_OS_WIN
    : SapLogonLauncher(QStringLiteral("saplogon.exe"), QStringLiteral("c:\\"), QStringLiteral("d:\\"))
#else
    : SapLogonLauncher(QStringLiteral("guilogon"), QStringLiteral("/opt"), QDir::homePath())
#endif
{
}

SapLogonLauncher::SapLogonLauncher(QString fileName, QString firstRoot, QString secondRoot)
    : fileName_(std::move(fileName)), firstRoot_(std::move(firstRoot)), secondRoot_(std::move(secondRoot))
{
}

QString SapLogonLauncher::notFoundText() const
{
    // Users of the Windows program know the capitalised name from this message.
    QString shownName = fileName_;
    if (shownName == QLatin1String("saplogon.exe")) shownName = QStringLiteral("Saplogon.exe");
    return fillText(textEn(TextId::SapLogonNotFound),
                    {shownName, QDir::toNativeSeparators(firstRoot_), QDir::toNativeSeparators(secondRoot_)});
}

bool SapLogonLauncher::start(const QString& path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile()) return false;
    return ui().startProgram(path, {});
}

bool SapLogonLauncher::run() const
{
    AppSettings& s = appSettings();
    {
        WaitPointer wait;
        if (start(s.sSapLogon)) return true;

        // The setting is emptied by a search that finds nothing, so the next use searches again.
        s.sSapLogon = FindFileInTree(firstRoot_, fileName_);
        if (s.sSapLogon.isEmpty()) s.sSapLogon = FindFileInTree(secondRoot_, fileName_);
        if (start(s.sSapLogon)) return true;
    }
    ui().message(notFoundText());
    return false;
}

} // namespace qvor
