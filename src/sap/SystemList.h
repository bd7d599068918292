#pragma once
// The SAP systems of the logon dialog besides the embedded demo system, kept in "QvorSystems.ini"
// beside "Qvor.ini". Passwords are never part of an entry and never reach the file.
//
// File format (UTF-8, lines end CR LF; LF alone is read too). One block per system, in list order:
//
//   [PRD]
//   Description=Production, Frankfurt
//   Address=https://sap.example.com:44300/sap/bc/soap/rfc
//   Client=100
//   Language=EN
//   User=JSMITH
//   VerifyTls=True
//   Proxy=http://proxy.example.com:3128
//   CaFile=/etc/ssl/company-ca.pem
//   ClientCertificate=/home/jsmith/.sap/jsmith.pem
//   ClientKey=/home/jsmith/.sap/jsmith.key
//
// The last four are written only when set (a proxy address carries no password; a key file must not
// need a pass phrase).
//
// A block starts with the system name in square brackets; "Key=Value" lines follow, and the value
// is everything after the first "=", blanks included. Empty lines and lines starting with "#" or
// ";" are ignored, as are unknown keys (so a newer program's file still reads). Missing keys keep
// their defaults.
#include <QString>
#include <QStringList>
#include <vector>

namespace qvor {

struct SystemEntry {
    QString name;
    QString description;
    QString address;       // the SOAP address of the system's /sap/bc/soap/rfc service
    QString client;        // default client
    QString language;      // default logon language
    QString user;          // default user
    bool verifyTls = true;
    QString proxy;              // empty: the proxy of the environment, if any
    QString caFile;             // trusted besides the system's certificate store
    QString clientCertificate;  // PEM, for systems that log on with X.509
    QString clientKey;          // PEM

    bool operator==(const SystemEntry&) const = default;
};

class SystemList {
public:
    // The list file beside the settings file.
    static QString defaultPath();

    explicit SystemList(QString path = defaultPath()) : path_(std::move(path)) {}

    const QString& path() const { return path_; }

    // A missing file is an empty list (true); false with the reason when it cannot be read.
    bool load(QString* error = nullptr);
    // Writes the whole file; the old one stays when writing fails.
    bool save(QString* error = nullptr) const;

    // Parsing and writing on their own, for the file and for tests.
    static std::vector<SystemEntry> parse(const QByteArray& content);
    static QByteArray serialize(const std::vector<SystemEntry>& entries);

    const std::vector<SystemEntry>& entries() const { return entries_; }
    const SystemEntry* find(const QString& name) const;
    // Adds the entry, or replaces the one of the same name (names compare without case).
    void put(const SystemEntry& entry);
    // Replaces the entry named oldName (a rename keeps its place in the list).
    bool replace(const QString& oldName, const SystemEntry& entry);
    bool remove(const QString& name);

    // A reason to refuse the entry (empty name, a name that the file cannot hold, the demo system's
    // name), or empty when it is acceptable.
    static QString validate(const SystemEntry& entry);

private:
    QString path_;
    std::vector<SystemEntry> entries_;
};

} // namespace qvor
