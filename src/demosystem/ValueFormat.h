#pragma once
// How RFC_READ_TABLE puts one typed value into its character slot of a data line: the ABAP
// MOVE rules of the classic module (and CONV string for packed numbers in newer releases).
#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3_stmt;

namespace demo {

struct FieldDef;

namespace format {

// Packed number given as an integer scaled by 10^decimals, right-justified in `length`
// characters with the sign in the last place; a positive number gives up its sign place
// first, and what still does not fit is cut on the left behind a '*'.
std::string packed(std::int64_t scaled, int decimals, int length);
// Newer releases: the same digits left-justified in length + 1 characters.
std::string packedModern(std::int64_t scaled, int decimals, int length);
// INT1/INT2/INT4 follow the packed rule without decimals.
std::string integer(std::int64_t value, int length);
// FLTP: scientific notation in 16 characters, e.g. "1.0000000000E+00".
std::string floating(double value);
// RAW: upper-case hex of the bytes, cut (or zero-filled) to `length` characters.
std::string raw(const unsigned char* bytes, std::size_t size, int length);
// The plain number text without sign: "0.50", "116.38600".
std::string decimalDigits(std::uint64_t magnitude, int decimals);

// The slot width of a field in a data line.
int slotWidth(const FieldDef& field, bool modern);

// Appends column `column` of the statement's current row, converted into the slot of `field`.
void appendSlot(std::string& out, const FieldDef& field, sqlite3_stmt* stmt, int column, bool modern);

} // namespace format
} // namespace demo
