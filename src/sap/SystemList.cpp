#include "sap/SystemList.h"

#include "util/WholeFileWriter.h"

#include "sap/EmbeddedTransport.h"
#include "util/UiTexts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "util/SettingsFile.h"

namespace qvor {
namespace {

const QString kFileName = QStringLiteral("QvorSystems.ini");

// Values are one line each; a line break typed into a field must not start a new key.
QString oneLine(QString value)
{
    value.replace(QLatin1Char('\r'), QLatin1Char(' '));
    value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return value;
}

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

} // namespace

QString SystemList::defaultPath()
{
    const QString settings = settingsFilePath();
    if (!settings.isEmpty()) return QFileInfo(settings).absoluteDir().filePath(kFileName);
    return QDir(QCoreApplication::applicationDirPath()).filePath(kFileName);
}

std::vector<SystemEntry> SystemList::parse(const QByteArray& content)
{
    std::vector<SystemEntry> entries;
    const QString text = QString::fromUtf8(content);
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')) || trimmed.startsWith(QLatin1Char(';'))) continue;
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            SystemEntry e;
            e.name = trimmed.mid(1, trimmed.size() - 2).trimmed();
            entries.push_back(e);
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0 || entries.empty()) continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1);
        SystemEntry& e = entries.back();
        if (key == QLatin1String("Description")) e.description = value;
        else if (key == QLatin1String("Address")) e.address = value.trimmed();
        else if (key == QLatin1String("Client")) e.client = value.trimmed();
        else if (key == QLatin1String("Language")) e.language = value.trimmed();
        else if (key == QLatin1String("User")) e.user = value.trimmed();
        else if (key == QLatin1String("VerifyTls")) e.verifyTls = value.trimmed().compare(QLatin1String("False"), Qt::CaseInsensitive) != 0;
        else if (key == QLatin1String("Proxy")) e.proxy = value.trimmed();
        else if (key == QLatin1String("CaFile")) e.caFile = value.trimmed();
        else if (key == QLatin1String("ClientCertificate")) e.clientCertificate = value.trimmed();
        else if (key == QLatin1String("ClientKey")) e.clientKey = value.trimmed();
    }
    // A block without a usable name cannot be chosen; drop it rather than show an empty line.
    std::erase_if(entries, [](const SystemEntry& e) { return !SystemList::validate(e).isEmpty(); });
    return entries;
}

QByteArray SystemList::serialize(const std::vector<SystemEntry>& entries)
{
    QString out = QStringLiteral("# Qvor SAP systems: one [name] block per system. Passwords are never stored here.\r\n");
    for (const SystemEntry& e : entries) {
        out += QStringLiteral("\r\n[") + oneLine(e.name) + QStringLiteral("]\r\n");
        out += QStringLiteral("Description=") + oneLine(e.description) + QStringLiteral("\r\n");
        out += QStringLiteral("Address=") + oneLine(e.address) + QStringLiteral("\r\n");
        out += QStringLiteral("Client=") + oneLine(e.client) + QStringLiteral("\r\n");
        out += QStringLiteral("Language=") + oneLine(e.language) + QStringLiteral("\r\n");
        out += QStringLiteral("User=") + oneLine(e.user) + QStringLiteral("\r\n");
        out += QStringLiteral("VerifyTls=") + (e.verifyTls ? QStringLiteral("True") : QStringLiteral("False")) + QStringLiteral("\r\n");
        const auto optional = [&out](const char* key, const QString& value) {
            if (!value.isEmpty()) out += QLatin1String(key) + QLatin1Char('=') + oneLine(value) + QStringLiteral("\r\n");
        };
        optional("Proxy", e.proxy);
        optional("CaFile", e.caFile);
        optional("ClientCertificate", e.clientCertificate);
        optional("ClientKey", e.clientKey);
    }
    return out.toUtf8();
}

bool SystemList::load(QString* error)
{
    entries_.clear();
    QFile file(path_);
    if (!file.exists()) return true;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    entries_ = parse(file.readAll());
    return true;
}

bool SystemList::save(QString* error) const
{
    AppError failure;
    if (writeFileWhole(path_, serialize(entries_), &failure)) return true;
    if (error) *error = failure.text();
    return false;
}

const SystemEntry* SystemList::find(const QString& name) const
{
    const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const SystemEntry& e) { return sameName(e.name, name); });
    return it == entries_.end() ? nullptr : &*it;
}

void SystemList::put(const SystemEntry& entry)
{
    if (!replace(entry.name, entry)) entries_.push_back(entry);
}

bool SystemList::replace(const QString& oldName, const SystemEntry& entry)
{
    const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const SystemEntry& e) { return sameName(e.name, oldName); });
    if (it == entries_.end()) return false;
    *it = entry;
    return true;
}

bool SystemList::remove(const QString& name)
{
    return std::erase_if(entries_, [&](const SystemEntry& e) { return sameName(e.name, name); }) > 0;
}

QString SystemList::validate(const SystemEntry& entry)
{
    const QString name = entry.name.trimmed();
    if (name.isEmpty()) return tx(TextId::SapSystemNameMissing);
    if (name != entry.name || name.contains(QLatin1Char('[')) || name.contains(QLatin1Char(']'))
        || name.contains(QLatin1Char('\r')) || name.contains(QLatin1Char('\n')) || name.startsWith(QLatin1Char('#'))
        || name.startsWith(QLatin1Char(';')))
        return tx(TextId::SapSystemNameInvalid).arg(entry.name);
    if (sameName(name, EmbeddedTransport::systemEntryName())) return tx(TextId::SapSystemNameReserved).arg(name);
    return {};
}

} // namespace qvor
