#include "util/KeyLines.h"

#include <limits>

namespace qvor {
namespace {

bool isIntegerText(const QString& trimmed)
{
    qsizetype i = 0;
    if (i < trimmed.size() && (trimmed[i] == QLatin1Char('-') || trimmed[i] == QLatin1Char('+'))) ++i;
    if (i == trimmed.size()) return false;
    for (; i < trimmed.size(); ++i)
        if (trimmed[i] < QLatin1Char('0') || trimmed[i] > QLatin1Char('9')) return false;
    return true;
}

template <typename T>
std::optional<T> toInteger(const QString& text, AppError* error)
{
    const QString trimmed = text.trimmed();
    if (!isIntegerText(trimmed)) {
        if (error) *error = AppError::typeMismatch();
        return std::nullopt;
    }
    const auto value = parseInteger(trimmed);
    if (!value || *value < std::numeric_limits<T>::min() || *value > std::numeric_limits<T>::max()) {
        if (error) *error = AppError::overflow();
        return std::nullopt;
    }
    return static_cast<T>(*value);
}

} // namespace

QString keyLine(const QString& key, const QString& value)
{
    return key.leftJustified(KeyFieldWidth, QLatin1Char(' ')) + value;
}

QString formatNumber(qint64 n)
{
    return (n < 0 ? QString() : QStringLiteral(" ")) + QString::number(n) + QLatin1Char(' ');
}

QString formatBool(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

QString listKey(const QString& name, int index)
{
    return name.leftJustified(9, QLatin1Char(' ')) + QStringLiteral("%1 ").arg(index, 3, 10, QLatin1Char('0'));
}

QString valueFrom14(const QString& line) { return line.mid(KeyFieldWidth); }

void readListEntries(const QString& line, const QString& key, int count, QStringList& entries)
{
    if (count <= 0) return;
    // Every occurrence is tried, not only the first: the line's value may itself contain the key.
    for (qsizetype at = line.indexOf(key); at >= 0; at = line.indexOf(key, at + 1)) {
        const qsizetype digits = at + key.size();
        if (digits + 3 > line.size()) break;
        int index = 0;
        bool allDigits = true;
        for (qsizetype d = digits; d < digits + 3; ++d) {
            const QChar c = line.at(d);
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
                allDigits = false;
                break;
            }
            index = index * 10 + (c.unicode() - '0');
        }
        if (allDigits && index >= 1 && index <= count && index <= entries.size()) entries[index - 1] = valueFrom14(line);
    }
}

std::optional<bool> parseBool(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed == QLatin1String("True")) return true;
    if (trimmed == QLatin1String("False")) return false;
    return std::nullopt;
}

std::optional<qint64> parseInteger(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (!isIntegerText(trimmed)) return std::nullopt;
    bool ok = false;
    const qint64 value = trimmed.toLongLong(&ok, 10);
    if (!ok) return std::nullopt;
    return value;
}

std::optional<bool> toBool(const QString& text, AppError* error)
{
    const auto value = parseBool(text);
    if (!value && error) *error = AppError::typeMismatch();
    return value;
}

std::optional<int16_t> toInt16(const QString& text, AppError* error) { return toInteger<int16_t>(text, error); }
std::optional<int32_t> toInt32(const QString& text, AppError* error) { return toInteger<int32_t>(text, error); }

} // namespace qvor
