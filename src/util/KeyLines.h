#pragma once
// The fixed-width line format of "Qvor.ini" and of the query-table file: a key left-justified
// in 13 characters, the value from character 14; numbers with a sign place and a trailing blank,
// booleans as True/False, list keys as a 9-character name, a 3-digit index and a blank.
#include "util/AppError.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace qvor {

constexpr int KeyFieldWidth = 13;

QString keyLine(const QString& key, const QString& value);
QString formatNumber(qint64 n);
QString formatBool(bool value);
QString listKey(const QString& name, int index);
QString valueFrom14(const QString& line);
// A list line: every key followed by three digits naming an entry from 1 to count, anywhere in the
// line, gives that entry the line's value (entries are 0-based).
void readListEntries(const QString& line, const QString& key, int count, QStringList& entries);

// Surrounding blanks are ignored; a boolean is exactly "True" or "False".
std::optional<bool> parseBool(const QString& text);
// An optional sign and decimal digits; nullopt for anything else or beyond 64 bits.
std::optional<qint64> parseInteger(const QString& text);

// The conversions as the program reports their failures: 13 "Type mismatch" for text that is
// not a number or boolean, 6 "Overflow" for a number outside the type's range.
std::optional<bool> toBool(const QString& text, AppError* error);
std::optional<int16_t> toInt16(const QString& text, AppError* error);
std::optional<int32_t> toInt32(const QString& text, AppError* error);

} // namespace qvor
