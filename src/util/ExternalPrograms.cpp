#include "util/ExternalPrograms.h"

#include "util/LanguageMessage.h"
#include "util/StatusPanels.h"
#include "util/UiServices.h"
#include "util/UiTexts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <pwd.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace qvor {
namespace {

AssociationLookup& installedLookup()
{
    static AssociationLookup lookup;
    return lookup;
}

bool startWith(const AssociatedCommand& command, const QString& target)
{
    if (command.program.isEmpty()) return false;
    return ui().startProgram(command.program, command.argumentsFor(target));
}

} // namespace

void setAssociationLookup(AssociationLookup lookup) { installedLookup() = std::move(lookup); }

AssociatedCommand associatedCommand(const QString& path, RelatedTypes relatedTypes)
{
    if (installedLookup()) return installedLookup()(path);
    return desktopAssociation(path, relatedTypes);
}

void prefetchAssociation(const QString& path)
{
    if (!installedLookup()) prefetchDesktopAssociation(path);
}

QString AssociatedProgram(const QString& path) { return associatedCommand(path).program; }

QString UserName()
{
    if (const passwd* entry = getpwuid(geteuid()); entry && entry->pw_name && *entry->pw_name)
        return QString::fromLocal8Bit(entry->pw_name);
    return qEnvironmentVariable("USER");
}

QString FindFileInTree(const QString& root, const QString& fileName)
{
    namespace fs = std::filesystem;
    if (root.isEmpty() || fileName.isEmpty()) return {};
    const std::string wanted = QFile::encodeName(fileName).toStdString();

    // Breadth first, so the copy nearest to the root wins; entries in name order so the answer
    // does not depend on the order the file system lists them in.
    std::set<std::pair<dev_t, ino_t>> visited;
    std::deque<fs::path> folders{fs::path(QFile::encodeName(root).toStdString())};
    while (!folders.empty()) {
        const fs::path folder = folders.front();
        folders.pop_front();
        struct stat info {};
        if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) continue;
        if (!visited.insert({info.st_dev, info.st_ino}).second) continue;   // a link loop or a second way in

        std::error_code error;
        fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
        if (error) continue;
        std::vector<fs::directory_entry> entries;
        for (const fs::directory_iterator end; it != end; it.increment(error)) {
            if (error) break;
            entries.push_back(*it);
        }
        std::sort(entries.begin(), entries.end(),
                  [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
        for (const auto& entry : entries) {
            std::error_code typeError;
            const bool isFolder = entry.is_directory(typeError);
            if (!isFolder && entry.path().filename() == wanted) return QFile::decodeName(entry.path().c_str());
            if (isFolder) folders.push_back(entry.path());
        }
    }
    return {};
}

void OpenWithAssociatedProgram(const QString& path)
{
    const AssociatedCommand command = associatedCommand(path);
    panels().setMessage(fillText(textEn(TextId::OpeningFile), {path}));
    if (!startWith(command, path)) {
        messageInLanguages(TextId::CouldNotOpenFile, {path});
        return;
    }
    panels().setMessage(fillText(textEn(TextId::FileOpened), {path}));
}

void OpenReport(const QString& path)
{
    const AssociatedCommand command = associatedCommand(path);
    QFile file(path);
    const bool exists = file.open(QIODevice::ReadOnly);
    file.close();
    if (!exists || !startWith(command, path)) ui().message(textEn(TextId::NoFile));
}

void OpenInBrowser(const QString& address)
{
    // The lookup needs an .html file; a folder of our own keeps any index.html of the user safe.
    AssociatedCommand browser;
    {
        QTemporaryDir folder;
        if (folder.isValid()) {
            QFile probe(folder.filePath(QStringLiteral("index.html")));
            if (probe.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
                probe.close();
                browser = associatedCommand(probe.fileName(), RelatedTypes::Ignored);
            }
        }
    }
    if (!startWith(browser, address)) messageInLanguages(TextId::BrowserNotFound);
}

void ShowHelp()
{
    const QString path = helpFilePath();
    if (!QFileInfo(path).isFile()) {
        messageInLanguages(TextId::HelpNotOpened, {QDir::toNativeSeparators(path)});
        return;
    }
    // The manual is a web page: a text editor that takes any text file is no way to read it.
    const AssociatedCommand browser = associatedCommand(path, RelatedTypes::Ignored);
    if (browser.program.isEmpty()) messageInLanguages(TextId::BrowserNotFound);
    else if (!startWith(browser, path)) messageInLanguages(TextId::HelpNotOpened, {QDir::toNativeSeparators(path)});
}

QString helpFilePath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("help/index.html"));
}

QString homePageAddress() { return QUrl::fromLocalFile(helpFilePath()).toString(); }

QString supportAddress() { return QUrl::fromLocalFile(helpFilePath()).toString(); }

} // namespace qvor
