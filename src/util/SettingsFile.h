#pragma once
// "Qvor.ini": read once at start-up, written once when the main window closes.
#include "util/AppError.h"
#include "util/AppSettings.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace qvor {

// Where "Qvor.ini" is read from at start and written to at the end. Beside the executable when
// the program may write there; otherwise writing goes to the per-user data folder, and reading
// takes the newer of the file beside the executable (an administrator's) and the user's own copy.
struct SettingsFiles {
    QString read;
    QString write;
};

// What the choice depends on, found on disk by settingsFiles().
struct SettingsFileFacts {
    bool besideExists = false;
    bool besideWritable = false;   // the file, or when it is missing its folder
    bool userExists = false;
    bool userNewer = false;        // the user's copy was written after the file beside
};
SettingsFiles chooseSettingsFiles(const QString& besidePath, const QString& userPath, const SettingsFileFacts& facts);
SettingsFiles settingsFiles();

// The path the settings are written to (settingsFiles().write); other files kept beside it
// (the system list) follow it.
QString settingsFilePath();
// Tests point the settings file into a folder of their own; an empty folder restores the default.
void setSettingsFolderForTests(const QString& folder);

// The start-up guard: a missing file is created empty. An existing file that cannot be opened
// is left alone (creating it would throw away its content).
enum class SettingsFileState { Ready, Unreadable, CannotCreate };
SettingsFileState ensureSettingsFile(const QString& path);

// Fills `settings` from the file; keys missing from the file keep what `settings` holds.
// A file that cannot be read or a value that cannot be converted gives the error; the keys read
// before and after the bad line keep their values.
std::optional<AppError> readSettings(const QString& path, AppSettings& settings);
std::optional<AppError> readSettingsFromText(const QString& text, AppSettings& settings);

// The file's lines, in the order the program writes them.
QStringList settingsLines(const AppSettings& settings);
bool writeSettings(const QString& path, const AppSettings& settings, AppError* error = nullptr);

// An empty list separator becomes ";".
void applySeparatorDefault(AppSettings& settings);

} // namespace qvor
