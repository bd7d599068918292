#pragma once
// The program's 8-bit text files: read as UTF-8 when the bytes are valid UTF-8, else as
// Windows-1252 so files made on Windows open; written as UTF-8 with CR LF line ends.
// Lengths and positions always count characters, never bytes.
#include "util/AppError.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace qvor {

QString decode8Bit(const QByteArray& bytes);
QByteArray encode8Bit(const QString& text);

// Lines ended by CR LF or by LF alone; a lone CR inside a line stays. A final line end gives
// no extra empty line.
QStringList splitLines(const QString& text);

// Every line followed by CR LF, encoded.
QByteArray joinLinesCrLf(const QStringList& lines);

std::optional<QByteArray> readFileBytes(const QString& path, AppError* error);
std::optional<QStringList> readTextLines(const QString& path, AppError* error);

} // namespace qvor
