#include "demosystem/ValueFormat.h"

#include "demosystem/Dictionary.h"
#include "rfc/Utf8.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdio>

namespace demo::format {

std::string decimalDigits(std::uint64_t magnitude, int decimals)
{
    std::string digits = std::to_string(magnitude);
    if (decimals <= 0) return digits;
    const auto d = static_cast<std::size_t>(decimals);
    if (digits.size() <= d) digits.insert(0, d + 1 - digits.size(), '0');
    digits.insert(digits.size() - d, 1, '.');
    return digits;
}

namespace {

std::uint64_t magnitudeOf(std::int64_t v)
{
    return v < 0 ? static_cast<std::uint64_t>(-(v + 1)) + 1 : static_cast<std::uint64_t>(v);
}

// Writes the digits (with the decimal point) right-aligned ending just before `end`; returns the start.
char* writeDigits(char* end, std::uint64_t magnitude, int decimals)
{
    char* p = end;
    int written = 0;
    do {
        if (decimals > 0 && written == decimals) *--p = '.';
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
        ++written;
    } while (magnitude > 0 || written <= decimals);
    return p;
}

// The MOVE rule for numbers into a character slot, appended without temporary strings.
void appendRightJustifiedWithSign(std::string& out, std::int64_t value, int decimals, int length)
{
    char buffer[64];
    char* const end = buffer + sizeof buffer;
    const bool negative = value < 0;
    end[-1] = negative ? '-' : ' ';
    char* const digitsStart = writeDigits(end - 1, magnitudeOf(value), decimals);
    const auto width = static_cast<std::size_t>(length);
    const auto digits = static_cast<std::size_t>(end - 1 - digitsStart);
    if (digits + 1 <= width) {
        out.append(width - digits - 1, ' ');
        out.append(digitsStart, digits + 1);
    } else if (!negative && digits <= width) {
        out.append(width - digits, ' ');
        out.append(digitsStart, digits);
    } else if (width > 0) {
        // Cut on the left behind a '*': from the full text when negative, else from the digits.
        const char* sourceEnd = negative ? end : end - 1;
        out += '*';
        out.append(sourceEnd - (width - 1), width - 1);
    }
}

std::string rightJustifiedWithSign(std::int64_t value, int decimals, int length)
{
    std::string out;
    appendRightJustifiedWithSign(out, value, decimals, length);
    return out;
}

} // namespace

std::string packed(std::int64_t scaled, int decimals, int length)
{
    return rightJustifiedWithSign(scaled, decimals, length);
}

std::string packedModern(std::int64_t scaled, int decimals, int length)
{
    std::string text = decimalDigits(magnitudeOf(scaled), decimals);
    if (scaled < 0) text += '-';
    const auto width = static_cast<std::size_t>(length) + 1;
    if (text.size() > width) text.resize(width);
    text.append(width - text.size(), ' ');
    return text;
}

std::string integer(std::int64_t value, int length)
{
    return rightJustifiedWithSign(value, 0, length);
}

std::string floating(double value)
{
    if (std::isnan(value) || std::isinf(value)) return std::string(16, '*');
    char buffer[64];
    for (int precision = 10; precision >= 0; --precision) {
        std::snprintf(buffer, sizeof buffer, "%.*E", precision, value);
        const std::string text(buffer);
        if (text.size() <= 16) return std::string(16 - text.size(), ' ') + text;
    }
    return std::string(16, '*');
}

std::string raw(const unsigned char* bytes, std::size_t size, int length)
{
    static const char hex[] = "0123456789ABCDEF";
    const auto width = static_cast<std::size_t>(length);
    std::string text;
    text.reserve(width);
    for (std::size_t i = 0; i < size && text.size() < width; ++i) {
        text += hex[bytes[i] >> 4];
        if (text.size() < width) text += hex[bytes[i] & 0x0F];
    }
    text.append(width - text.size(), '0');
    return text;
}

int slotWidth(const FieldDef& field, bool modern)
{
    return modern && field.type == 'P' ? field.length + 1 : field.length;
}

void appendSlot(std::string& out, const FieldDef& field, sqlite3_stmt* stmt, int column, bool modern)
{
    const bool isNull = sqlite3_column_type(stmt, column) == SQLITE_NULL;
    const auto width = static_cast<std::size_t>(field.length);
    switch (field.type) {
    case 'P': {
        std::int64_t v = 0;
        if (!isNull) {
            if (sqlite3_column_type(stmt, column) == SQLITE_FLOAT)
                v = std::llround(sqlite3_column_double(stmt, column) * std::pow(10.0, field.decimals));
            else
                v = sqlite3_column_int64(stmt, column);
        }
        if (modern) out += packedModern(v, field.decimals, field.length);
        else appendRightJustifiedWithSign(out, v, field.decimals, field.length);
        return;
    }
    case 'I':
    case 's':
        appendRightJustifiedWithSign(out, isNull ? 0 : sqlite3_column_int64(stmt, column), 0, field.length);
        return;
    case 'F':
        out += floating(isNull ? 0.0 : sqlite3_column_double(stmt, column));
        return;
    case 'X': {
        const auto* bytes = static_cast<const unsigned char*>(sqlite3_column_blob(stmt, column));
        const auto size = static_cast<std::size_t>(sqlite3_column_bytes(stmt, column));
        out += raw(bytes, isNull ? 0 : size, field.length);
        return;
    }
    case 'N':
    case 'D':
    case 'T':
        if (isNull) {
            out.append(width, '0');
            return;
        }
        break;
    default:
        break;
    }
    if (isNull) {
        out.append(width, ' ');
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    const auto size = static_cast<std::size_t>(sqlite3_column_bytes(stmt, column));
    rfc::utf8::appendLeft(out, std::string_view(text ? text : "", text ? size : 0), width);
}

} // namespace demo::format
