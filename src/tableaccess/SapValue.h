#pragma once
// One value of a data line read by its type letter, for the spreadsheet formats: SAP writes
// dates as YYYYMMDD, times as HHMMSS, packed numbers and integers right-justified with the sign
// behind the digits, and a number too long for its slot with "*" in front. Parsing never
// allocates; the views point into the caller's line.
#include <string>
#include <string_view>

namespace qvor {

class SapValue {
public:
    enum class Kind {
        Empty,      // blank, or the initial date 00000000
        Text,       // kept as it stands, trailing blanks removed
        Number,     // digits with an optional "." and sign
        Date,       // a valid calendar date
        Time,       // a valid time of day
        Overflow,   // SAP's "*" marker: the number did not fit its slot; kept as text
    };

    Kind kind = Kind::Empty;
    std::string_view text;          // Text and Overflow: the value without trailing blanks
    bool negative = false;          // Number
    std::string_view integerPart;   // Number: digits without leading zeros ("0" for none)
    std::string_view fraction;      // Number: digits after the decimal point
    std::string_view exponent;      // Number of type F: "E+00" and what follows
    int year = 0, month = 0, day = 0;           // Date
    int hour = 0, minute = 0, second = 0;       // Time

    // Reads a slot of a field of the given type letter (C N D T X P I F b s ...).
    static SapValue parse(std::string_view slot, char type);

    // The value as a spreadsheet reads it: "-794.39", "2023-03-07", "12:30:00", text unchanged.
    void appendText(std::string& out) const;
    double number() const;                   // Number only
    // Days since 1899-12-30 (a spreadsheet's day count); negative before that day. Date only.
    long long dayNumber() const;
    double dayFraction() const;              // Time only: the part of a day
};

} // namespace qvor
