#pragma once
// "Qvor.ini": read once at start-up, written once when the main window closes.
#include "util/AppError.h"
#include "util/AppSettings.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace qvor {

// "Qvor.ini" beside the executable, or in the per-user data folder when the executable's folder
// is not writable.
QString settingsFilePath();
// Tests point the settings file into a folder of their own; an empty folder restores the default.
void setSettingsFolderForTests(const QString& folder);

// The start-up guard: a missing file is created empty. An existing file that cannot be opened
// is left alone (creating it would throw away its content). False when the file is not there
// and could not be created.
bool ensureSettingsFile(const QString& path);

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
