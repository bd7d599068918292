#include "tableaccess/SapValue.h"

#include <charconv>

namespace qvor {

namespace {

std::string_view trimRight(std::string_view s)
{
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

std::string_view trimBoth(std::string_view s)
{
    s = trimRight(s);
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    return s;
}

bool allDigits(std::string_view s)
{
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

int digitsValue(std::string_view s)
{
    int v = 0;
    for (char c : s) v = v * 10 + (c - '0');
    return v;
}

bool leapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leapYear(y) ? 29 : days[m - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date.
long long daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool isNumberType(char type) { return type == 'P' || type == 'I' || type == 'b' || type == 's' || type == '8'; }

SapValue textValue(std::string_view slot)
{
    SapValue v;
    v.text = trimRight(slot);
    v.kind = v.text.empty() ? SapValue::Kind::Empty : SapValue::Kind::Text;
    return v;
}

// "[-]digits[.digits][-]" as SAP writes packed numbers and integers; F adds an exponent.
bool parseNumber(std::string_view t, bool withExponent, SapValue& v)
{
    if (!t.empty() && (t.back() == '-' || t.back() == '+')) {
        v.negative = t.back() == '-';
        t.remove_suffix(1);
        t = trimRight(t);
    } else if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
        v.negative = t.front() == '-';
        t.remove_prefix(1);
    }
    if (withExponent) {
        const std::size_t e = t.find_first_of("Ee");
        if (e != std::string_view::npos) {
            v.exponent = t.substr(e);
            t = t.substr(0, e);
            std::string_view digits = v.exponent.substr(1);
            if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
            if (digits.empty() || !allDigits(digits)) return false;
        }
    }
    const std::size_t dot = t.find('.');
    std::string_view whole = t.substr(0, dot);
    v.fraction = dot == std::string_view::npos ? std::string_view() : t.substr(dot + 1);
    if (whole.empty() && v.fraction.empty()) return false;
    if (!allDigits(whole) || !allDigits(v.fraction)) return false;
    while (whole.size() > 1 && whole.front() == '0') whole.remove_prefix(1);
    v.integerPart = whole.empty() ? std::string_view("0") : whole;
    v.kind = SapValue::Kind::Number;
    return true;
}

void appendTwoDigits(std::string& out, int n)
{
    out += static_cast<char>('0' + n / 10);
    out += static_cast<char>('0' + n % 10);
}

} // namespace

SapValue SapValue::parse(std::string_view slot, char type)
{
    if (type == 'D' || type == 'T') {
        const std::string_view t = trimBoth(slot);
        SapValue v = textValue(slot);
        if (t.empty() || (type == 'D' && t == "00000000")) {
            v.kind = Kind::Empty;
            return v;
        }
        if (type == 'D' && t.size() == 8 && allDigits(t)) {
            const int y = digitsValue(t.substr(0, 4)), m = digitsValue(t.substr(4, 2)), d = digitsValue(t.substr(6, 2));
            if (y >= 1 && m >= 1 && m <= 12 && d >= 1 && d <= daysInMonth(y, m)) {
                v.kind = Kind::Date;
                v.year = y, v.month = m, v.day = d;
            }
        } else if (type == 'T' && t.size() == 6 && allDigits(t)) {
            const int h = digitsValue(t.substr(0, 2)), m = digitsValue(t.substr(2, 2)), s = digitsValue(t.substr(4, 2));
            if (h < 24 && m < 60 && s < 60) {
                v.kind = Kind::Time;
                v.hour = h, v.minute = m, v.second = s;
            }
        }
        return v;
    }
    if (isNumberType(type) || type == 'F') {
        const std::string_view t = trimBoth(slot);
        SapValue v;
        if (t.empty()) return v;
        if (t.front() == '*') {
            v.kind = Kind::Overflow;
            v.text = t;
            return v;
        }
        if (parseNumber(t, type == 'F', v)) return v;
        return textValue(slot);
    }
    return textValue(slot);
}

void SapValue::appendText(std::string& out) const
{
    switch (kind) {
    case Kind::Empty:
        return;
    case Kind::Text:
    case Kind::Overflow:
        out.append(text);
        return;
    case Kind::Number:
        if (negative) out += '-';
        out.append(integerPart);
        if (!fraction.empty()) {
            out += '.';
            out.append(fraction);
        }
        out.append(exponent);
        return;
    case Kind::Date: {
        char y[4] = {static_cast<char>('0' + year / 1000), static_cast<char>('0' + year / 100 % 10),
                     static_cast<char>('0' + year / 10 % 10), static_cast<char>('0' + year % 10)};
        out.append(y, 4);
        out += '-';
        appendTwoDigits(out, month);
        out += '-';
        appendTwoDigits(out, day);
        return;
    }
    case Kind::Time:
        appendTwoDigits(out, hour);
        out += ':';
        appendTwoDigits(out, minute);
        out += ':';
        appendTwoDigits(out, second);
        return;
    }
}

double SapValue::number() const
{
    if (kind != Kind::Number) return 0;
    char buffer[96];
    std::size_t n = 0;
    const auto put = [&](std::string_view s) {
        for (char c : s)
            if (n < sizeof buffer) buffer[n++] = c;
    };
    if (negative) put("-");
    put(integerPart);
    if (!fraction.empty()) {
        put(".");
        put(fraction);
    }
    put(exponent);
    double value = 0;
    std::from_chars(buffer, buffer + n, value);
    return value;
}

long long SapValue::dayNumber() const
{
    return daysFromCivil(year, month, day) - daysFromCivil(1899, 12, 30);
}

double SapValue::dayFraction() const
{
    return (hour * 3600 + minute * 60 + second) / 86400.0;
}

} // namespace qvor
