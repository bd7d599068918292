#include "util/SettingsFile.h"

#include "util/FileCodec.h"
#include "util/WholeFileWriter.h"
#include "util/KeyLines.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <limits>

namespace qvor {
namespace {

const QString SettingsFileName = QStringLiteral("Qvor.ini");
QString& testFolder()
{
    static QString folder;
    return folder;
}

const QString ListPrefix = QStringLiteral("ssAddTab ");

} // namespace

SettingsFiles chooseSettingsFiles(const QString& besidePath, const QString& userPath, const SettingsFileFacts& facts)
{
    if (facts.besideWritable) return {besidePath, besidePath};
    const bool readBeside = facts.besideExists && !(facts.userExists && facts.userNewer);
    return {readBeside ? besidePath : userPath, userPath};
}

SettingsFiles settingsFiles()
{
    if (!testFolder().isEmpty()) {
        const QString path = QDir(testFolder()).filePath(SettingsFileName);
        return {path, path};
    }
    const QString appDir = QCoreApplication::applicationDirPath();
    const QString beside = QDir(appDir).filePath(SettingsFileName);
    const QFileInfo besideInfo(beside);
    SettingsFileFacts facts;
    facts.besideExists = besideInfo.exists();
    facts.besideWritable = facts.besideExists ? besideInfo.isWritable() : QFileInfo(appDir).isWritable();
    if (facts.besideWritable) return {beside, beside};

    const QString dataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dataDir);
    const QString user = QDir(dataDir).filePath(SettingsFileName);
    const QFileInfo userInfo(user);
    facts.userExists = userInfo.exists();
    facts.userNewer = facts.userExists && facts.besideExists && userInfo.lastModified() > besideInfo.lastModified();
    return chooseSettingsFiles(beside, user, facts);
}

QString settingsFilePath() { return settingsFiles().write; }

void setSettingsFolderForTests(const QString& folder) { testFolder() = folder; }

SettingsFileState ensureSettingsFile(const QString& path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) return SettingsFileState::Ready;
    if (file.exists()) return SettingsFileState::Unreadable;
    QDir().mkpath(QFileInfo(path).absolutePath());
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly) ? SettingsFileState::Ready
                                                                 : SettingsFileState::CannotCreate;
}

std::optional<AppError> readSettings(const QString& path, AppSettings& settings)
{
    AppError error;
    const auto bytes = readFileBytes(path, &error);
    if (!bytes) return error;
    return readSettingsFromText(decode8Bit(*bytes), settings);
}

std::optional<AppError> readSettingsFromText(const QString& text, AppSettings& settings)
{
    // A bad value is reported, but reading goes on: stopping would drop every key after it,
    // the table tree among them, and the file written at close would then lose them for good.
    std::optional<AppError> firstError;
    auto fail = [&](const AppError& error) {
        if (!firstError) firstError = error;
    };
    auto readBool = [&](const QString& value, bool& target) {
        AppError error;
        if (const auto b = toBool(value, &error)) target = *b;
        else fail(error);
    };
    auto readInt16 = [&](const QString& value, int16_t& target) {
        AppError error;
        if (const auto n = toInt16(value, &error)) target = *n;
        else fail(error);
    };

    if (settings.ssAddTab.size() < settings.SAT) settings.ssAddTab.resize(std::max<int>(0, settings.SAT));

    for (const QString& line : splitLines(text)) {
        const QString value = valueFrom14(line);
        auto has = [&line](QLatin1String search) { return line.contains(search); };

        if (has(QLatin1String("sSapLogon"))) settings.sSapLogon = value;
        if (has(QLatin1String("FolderTable"))) settings.FolderTable = value;
        if (has(QLatin1String("TableFile"))) settings.TableFile = value;
        if (has(QLatin1String("SGlobal"))) settings.SGlobal = value;
        if (has(QLatin1String("ChOpt"))) readBool(value, settings.ChOpt);
        if (has(QLatin1String("OptEN"))) readBool(value, settings.OptEN);
        if (has(QLatin1String("OptPT"))) readBool(value, settings.OptPT);
        if (has(QLatin1String("OptCT"))) readBool(value, settings.OptCT);
        if (has(QLatin1String("Tool  "))) readBool(value, settings.Tool);
        if (has(QLatin1String("Status  "))) readBool(value, settings.Status);
        if (has(QLatin1String("z  "))) settings.listSeparator = value;
        if (has(QLatin1String("fzeqTop"))) readInt16(value, settings.fzeqTop);
        if (has(QLatin1String("fzeqLeft"))) readInt16(value, settings.fzeqLeft);
        if (has(QLatin1String("fzeqHeight"))) readInt16(value, settings.fzeqHeight);
        if (has(QLatin1String("fzeqWidth"))) readInt16(value, settings.fzeqWidth);
        if (has(QLatin1String("SAT  "))) {
            int16_t count = settings.SAT;
            readInt16(value, count);
            if (count < 0 || count > AppSettings::MaxTreeEntries) {
                // The list holds at most 999 entries; the count read before stays.
                fail(AppError::subscriptOutOfRange());
            } else {
                settings.SAT = count;
                settings.ssAddTab.resize(count);
            }
        }
        if (settings.SAT > 0 && has(QLatin1String("ssAddTab "))) readListEntries(line, ListPrefix, settings.SAT, settings.ssAddTab);
        if (has(QLatin1String("FileQvor"))) settings.FileQvor = value;
        // The keys beyond the specified ones are matched at the start of the line only.
        if (line.startsWith(QLatin1String("ExpFormat "))) {
            if (const auto format = outputFormatNamed(value)) settings.ExpFormat = *format;
            else fail(AppError::typeMismatch());
        }
        if (line.startsWith(QLatin1String("ExpTexts "))) readBool(value, settings.ExpTexts);
        if (line.startsWith(QLatin1String("JoinKeys "))) readBool(value, settings.JoinKeys);
        // The import keys are matched in their key field only: a table name in the tree may say anything.
        const auto key = [&line](QLatin1String name) { return line.startsWith(name + QLatin1Char(' ')); };
        if (key(QLatin1String("ImpPartition"))) settings.importPartition = value.trimmed();
        if (key(QLatin1String("ImpSessions"))) {
            int16_t n = 1;
            readInt16(value, n);
            settings.importSessions = n;
        }
        if (key(QLatin1String("ImpPageRows"))) {
            if (const auto n = parseInteger(value); n && *n >= 0 && *n <= std::numeric_limits<qint32>::max())
                settings.importPageRows = static_cast<int>(*n);
            else fail(AppError::overflow());
        }
    }
    return firstError;
}

QStringList settingsLines(const AppSettings& s)
{
    // A count beyond the list's capacity would make the file unreadable next time; the entries
    // past 999 cannot be read back anyway.
    const int count = std::clamp<int>(s.SAT, 0, AppSettings::MaxTreeEntries);
    QStringList lines{
        keyLine(QStringLiteral("sSapLogon"), s.sSapLogon),
        keyLine(QStringLiteral("FolderTable"), s.FolderTable),
        keyLine(QStringLiteral("TableFile"), s.TableFile),
        keyLine(QStringLiteral("SGlobal"), s.SGlobal),
        keyLine(QStringLiteral("ChOpt"), formatBool(s.ChOpt)),
        keyLine(QStringLiteral("OptEN"), formatBool(s.OptEN)),
        keyLine(QStringLiteral("OptPT"), formatBool(s.OptPT)),
        keyLine(QStringLiteral("OptCT"), formatBool(s.OptCT)),
        keyLine(QStringLiteral("Tool"), formatBool(s.Tool)),
        keyLine(QStringLiteral("Status"), formatBool(s.Status)),
        keyLine(QStringLiteral("z"), s.listSeparator),
        keyLine(QStringLiteral("fzeqTop"), formatNumber(s.fzeqTop)),
        keyLine(QStringLiteral("fzeqLeft"), formatNumber(s.fzeqLeft)),
        keyLine(QStringLiteral("fzeqHeight"), formatNumber(s.fzeqHeight)),
        keyLine(QStringLiteral("fzeqWidth"), formatNumber(s.fzeqWidth)),
        keyLine(QStringLiteral("SAT"), formatNumber(count)),
    };
    for (int i = 1; i <= count; ++i) lines << listKey(QStringLiteral("ssAddTab"), i) + s.ssAddTab.value(i - 1);
    lines << keyLine(QStringLiteral("FileQvor"), s.FileQvor);
    const AppSettings defaults;
    if (s.ExpFormat != defaults.ExpFormat) lines << keyLine(QStringLiteral("ExpFormat"), outputFormatName(s.ExpFormat));
    if (s.ExpTexts != defaults.ExpTexts) lines << keyLine(QStringLiteral("ExpTexts"), formatBool(s.ExpTexts));
    if (s.JoinKeys != defaults.JoinKeys) lines << keyLine(QStringLiteral("JoinKeys"), formatBool(s.JoinKeys));
    // A file of the default settings stays as the specified program writes it.
    if (!s.importPartition.isEmpty()) lines << keyLine(QStringLiteral("ImpPartition"), s.importPartition);
    if (s.importSessions != 1) lines << keyLine(QStringLiteral("ImpSessions"), formatNumber(s.importSessions));
    if (s.importPageRows != 0) lines << keyLine(QStringLiteral("ImpPageRows"), formatNumber(s.importPageRows));
    return lines;
}

bool writeSettings(const QString& path, const AppSettings& settings, AppError* error)
{
    return writeFileWhole(path, joinLinesCrLf(settingsLines(settings)), error);
}

void applySeparatorDefault(AppSettings& settings)
{
    if (settings.listSeparator.isEmpty()) settings.listSeparator = QStringLiteral(";");
}

} // namespace qvor
